cd /obj
add parmtest p
set -e p scale "ch(\"../p/count\") + $F"
eval p scale
wire p p 0
rename p q
errors q
