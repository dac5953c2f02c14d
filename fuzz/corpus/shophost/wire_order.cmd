# Wires made in an order a saved file does not keep: a switch made before the output node and
# wired into it before it has inputs (and so a type) stays on the input it was dropped on; a
# select gets its inputs before it is wired; a switch is rewired after one of its inputs goes.
cd /shop
add material m
cd m
add switch early
add suboutput out
wire early out 5
add plastic red
add metal chrome
wire red early 0
wire chrome early 1
add select late
add bumps fine
wire fine late 0
wire late out 0
add switch nested
wire early nested 0
wire nested out 7
rm chrome
wire red early 1
set early input 1
shader /shop/m
shader /shop/m -t displace
