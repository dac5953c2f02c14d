cd /shop
add studiolook look
cd look
add plastic surface1
add bumps disp1
add noisecoshader co1
add noisecoshader co2
add mergecoshader merge
wire co1 merge 0
wire co2 merge 1
wire merge out 22
wire surface1 out 1
wire disp1 out 2
cd /shop
spare look own float 1 2
shoppromote /shop/*
set look surface1_Kd 0.25
spare look preview string 1
set -e look preview 'shopstring("surface1", "RIB")'
rename look/surface1 base
eval look preview
shoppromote -c look
shoppromote -f look
undo
undo
redo
shoppromote -c -f look
undo
