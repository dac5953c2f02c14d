add n a
cd a
add x b
add x c
wire b c 0
set -e c t `1` "ch(\"../b/tx\")" 3
set b color 1 2 3
rename b d
eval c t
errors c
spare c s float 1 2
rm d
cd ..
ls
