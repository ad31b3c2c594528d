#!/usr/bin/env bash
# Guards a refactoring of vantor-render: runs it over a fixed table of cases
# and keeps, per case, the file written (NAME.EXT), standard output
# (NAME.out), standard error (NAME.err) and exit status (NAME.status); then
# compares two such folders byte for byte.  No output carries a date or
# other varying field (checked by running twice), so nothing is ignored.
#
#   scripts/compare_outputs.sh VANTOR_RENDER OUTDIR    OUTDIR must not exist or be empty
#   scripts/compare_outputs.sh --compare DIR_A DIR_B   exit 1 when any file differs
set -euo pipefail

if [[ $# -eq 3 && $1 == --compare ]]; then
  a=$2 b=$3 n=0 bad=0
  while IFS= read -r f; do
    n=$((n + 1))
    if [[ ! -e $a/$f ]]; then echo "only in $b: $f"; bad=$((bad + 1))
    elif [[ ! -e $b/$f ]]; then echo "only in $a: $f"; bad=$((bad + 1))
    elif ! cmp -s "$a/$f" "$b/$f"; then echo "differs: $f"; bad=$((bad + 1))
    fi
  done < <( (ls -A "$a"; ls -A "$b") | sort -u)
  echo "$n files compared, $bad differ"
  [[ $bad -eq 0 ]]
  exit
fi
if [[ $# -ne 2 || $1 == -* ]]; then
  echo "usage: $0 VANTOR_RENDER OUTDIR | $0 --compare DIR_A DIR_B" >&2
  exit 2
fi
bin=$(realpath "$1") out=$2
if [[ -d $out && -n $(ls -A "$out") ]]; then echo "$out is not empty" >&2; exit 2; fi

# name|kind|arguments; @ stands for the case name (files are written relative
# to the output folder, so messages naming them do not depend on it).
mm_i='Unit_mm ED=50 DD=6 CH1_SL=2 CH2_SL=2 CH3_SL=2 RES=500'
ex_i='RES=360 ED=1.5 CH2_I bal_1scroll=10'
ex_a='Res_exp=10 Bin_type abs_bal=-5'
cases=(
  "i-bmp|incremental|-o @.bmp"
  "i-png|incremental|-o @.png"
  "i-svg|incremental|-o @.svg"
  "i-pdf|incremental|-o @.pdf"
  "i-gbr|incremental|-o @.gbr"
  "i-dxf|incremental|-o @.dxf"
  "i-report|incremental|--report"
  "i-inv-bmp|incremental|--inverse -o @.bmp"
  "i-inv-svg|incremental|--inverse -o @.svg"
  "i-inv-gbr|incremental|--inverse -o @.gbr"
  "i-inv-dxf|incremental|--inverse -o @.dxf"
  "i-inv-report|incremental|--inverse --report"
  "i-crop-bmp|incremental|--crop -o @.bmp"
  "i-600-png|incremental|--dpi 600 -o @.png"
  "i-600-crop-pdf|incremental|--dpi 600 --crop -o @.pdf"
  "i-2400-crop-png|incremental|--dpi 2400 --crop -o @.png"
  "i-2400-crop-gbr|incremental|--dpi 2400 --crop --report -o @.gbr"
  "i-2400-report|incremental|--dpi 2400 --report"
  "i-inv-600-crop-png|incremental|--inverse --dpi 600 --crop -o @.png"
  "i-progress|incremental|--progress -o @.png"
  "i-ex-bmp|incremental|$ex_i -o @.bmp"
  "i-ex-report-png|incremental|$ex_i --report -o @.png"
  "i-mm-report|incremental|$mm_i --report"
  "i-mm-svg|incremental|$mm_i -o @.svg"
  "i-mm-dxf|incremental|$mm_i --dpi 600 -o @.dxf"
  "i-ch1off-bmp|incremental|CH1_on=0 --report -o @.bmp"
  "i-ch3ed-bmp|incremental|CH3_ED_U CH3_ED=0.3 --report -o @.bmp"
  "i-zoom150-bmp|incremental|ZoomCTRL=150 -o @.bmp"
  "i-bal2clamp-svg|incremental|bal_2scroll=-60 --report -o @.svg"
  "i-bal1nan-bmp|incremental|bal_1scroll=abc -o @.bmp"
  "i-res2000-gbr|incremental|RES=2000 --dpi 1200 --crop -o @.gbr"
  "i-ed-abc|incremental|ED=abc -o @.bmp"
  "i-ed-abc-report|incremental|ED=abc --report"
  "i-s2-0|incremental|S2=0 -o @.bmp"
  "i-ch1sl-5|incremental|CH1_SL=5 -o @.bmp"
  "i-res-1e6|incremental|RES=1000000 -o @.bmp"
  "a-bmp|absolute|-o @.bmp"
  "a-png|absolute|-o @.png"
  "a-svg|absolute|-o @.svg"
  "a-pdf|absolute|-o @.pdf"
  "a-gbr|absolute|-o @.gbr"
  "a-dxf|absolute|-o @.dxf"
  "a-report|absolute|--report"
  "a-crop-gbr|absolute|--crop -o @.gbr"
  "a-600-pdf|absolute|--dpi 600 -o @.pdf"
  "a-ex-report-png|absolute|$ex_a --report -o @.png"
  "a-ex-2400-crop-png|absolute|$ex_a --dpi 2400 --crop -o @.png"
  "a-ex-2400-crop-svg|absolute|$ex_a --dpi 2400 --crop -o @.svg"
  "a-res3-ed-bmp|absolute|Res_exp=3 CH1_ED_U CH1_ED=0.2 --report -o @.bmp"
  "a-eddef-svg|absolute|CH1_ED_Def --report -o @.svg"
  "a-mm-dxf|absolute|Unit_mm ED=40 DD=5 --report -o @.dxf"
  "a-mm-pdf|absolute|Unit_mm ED=40 DD=5 --dpi 600 --crop -o @.pdf"
  "a-res12-png|absolute|Res_exp=12 --report -o @.png"
  "a-res12-dxf|absolute|Res_exp=12 -o @.dxf"
  "a-res2.5-bmp|absolute|Res_exp=2.5 abs_bal=30 --report -o @.bmp"
  "a-res13-2000-crop-png|absolute|Res_exp=13 --dpi 2000 --crop -o @.png"
  "a-res19|absolute|Res_exp=19 -o @.bmp"
  "a-resx|absolute|Res_exp=x -o @.bmp"
  "a-s2-0|absolute|S2=0 --report -o @.bmp"
  "u-nokind||-o @.bmp"
  "u-badkind|rotary|-o @.bmp"
  "u-nothing|incremental|"
  "u-option|incremental|--frobnicate -o @.bmp"
  "u-nope|incremental|NOPE=1 -o @.bmp"
  "u-dpi0|incremental|--dpi 0 -o @.bmp"
  "u-txt|incremental|-o @.txt"
  "u-abs-inverse|absolute|--inverse -o @.bmp"
)

mkdir -p "$(dirname "$out")"
tmp=$(mktemp -d "${out%/}.tmp.XXXXXX")
cd "$tmp"
for line in "${cases[@]}"; do
  IFS='|' read -r name kind args <<<"$line"
  read -ra argv <<<"${args//@/$name}"
  rc=0
  timeout 60 "$bin" ${kind:+"$kind"} "${argv[@]}" >"$name.out" 2>"$name.err" || rc=$?
  echo "$rc" >"$name.status"
done
cd "$OLDPWD"
rmdir "$out" 2>/dev/null || true
mv "$tmp" "$out"
echo "${#cases[@]} cases written to $out"
