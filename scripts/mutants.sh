#!/usr/bin/env bash
# Measures what the tests catch by planting faults in the core.  Each row of
# the table below replaces one line's text in one source file (the text must
# occur exactly once there).  For each fault: apply it, rebuild build/
# incrementally, run ctest without the print tests (they do not exercise the
# core's geometry), stopping at the first failure, record whether a test
# failed and which, and restore the file from git.  The file is restored
# however the script ends.  Not part of the test command.
#
#   bash scripts/mutants.sh                every fault against ctest
#   bash scripts/mutants.sh --fuzz         then the bounded fuzz run
#                                          (scripts/fuzz.sh) on the faults
#                                          ctest missed, reported apart
#   bash scripts/mutants.sh --check        only check that every row applies
#   bash scripts/mutants.sh NAME...        only the named faults
#
#   MUTANTS_BUILD    the build folder (default build; configured already)
#   MUTANTS_CAP      seconds allowed to a rebuild and to a ctest run (300, 480)
#   MUTANTS_FUZZ_CAP seconds allowed to a fuzz run (900)
#   MUTANTS_TABLE    also write the result table(s) to this file
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

names=() files=() originals=() replacements=()
fault() {
  names+=("$1") files+=("$2") originals+=("$3") replacements+=("$4")
}

# --- the faults: name, file, original text, replacement -------------------

S=src/surface
fault surface_uniform_reuse_wrong_way $S/surface.cpp \
  'r2 <= uniform_.r2;' 'r2 >= uniform_.r2;'
fault surface_ring_fill_claims_rim $S/surface.cpp \
  '(pc.r - 1.0) * (pc.r - 1.0), fill_colour_}' 'pc.r * pc.r, fill_colour_}'
fault surface_radius_on_zero_angle $S/surface.cpp \
  'if (angles[n] < 0.0f && !run.seen' 'if (angles[n] <= 0.0f && !run.seen'
fault surface_mm_per_inch_25 $S/surface.cpp \
  'return ppi_ / kMillimetresPerInch;' 'return ppi_ / 25.0;'
fault band_reach_without_margin $S/surface.cpp \
  'kReach = 6.0;' 'kReach = 0.0;'
fault diamond_angle_third_quadrant_backwards $S/raster_sector.cpp \
  'return x < 0.0 ? 2.0 - y / (-x - y)' 'return x < 0.0 ? 2.0 + y / (-x - y)'
fault figure_rows_miss_the_top $S/surface.cpp \
  'on_arc(raster::kTwoPi / 4, f.start, f.end) ? 1.0' 'false ? 1.0'
fault figure_rows_cover_of_any_centre $S/surface.cpp \
  '} else if (cover && cover->px1 == f.px1 && cover->py1 == f.py1) {' '} else if (cover) {'
fault figure_rows_inner_radius_at_the_rim $S/surface.cpp \
  'std::max(rho * sin_hi, f.pr * sin_hi)' 'f.pr * sin_hi'
fault pack_avx2_mirror_not_swapped src/export/raster_file.cpp \
  'mirror ? __builtin_bswap32(static_cast<std::uint32_t>(_mm256_movemask_epi8(v)))' 'mirror ? static_cast<std::uint32_t>(_mm256_movemask_epi8(v))'
fault band_reach_one_side_of_wrap $S/surface.cpp \
  'return from(s1, s2) <= l1 || from(s2, s1) <= l2;' 'return from(s1, s2) <= l1;'
fault band_reach_left_from_low_sine $S/surface.cpp \
  'left_start_ = kPi - b - kWiden;' 'left_start_ = kPi - a - kWiden;'
fault tiff_last_strip_never_complete src/export/raster_file.cpp \
  '|| rows_written + k + 1 == spec.height)' ')'
fault tiff_first_strip_of_a_band_not_coded src/export/raster_file.cpp \
  'for (std::size_t n = 0; n + 1 < complete.size(); ++n) coding' 'for (std::size_t n = 1; n + 1 < complete.size(); ++n) coding'
fault tiff_strips_swapped src/export/raster_file.cpp \
  'TIFFWriteRawStrip(tiff, strips_written, coded[n].data()' 'TIFFWriteRawStrip(tiff, strips_written ^ (n == 0), coded[n].data()'
fault pack_mirrored_halves_swapped src/export/raster_file.cpp \
  'out[b] = (mirror ? high : kReversedBits[low]) ^ flip;' 'out[b] = (mirror ? low : kReversedBits[low]) ^ flip;'
fault pack_plain_bits_not_reversed src/export/raster_file.cpp \
  'out[b + 1] = (mirror ? low : kReversedBits[high]) ^ flip;' 'out[b + 1] = (mirror ? low : high) ^ flip;'
fault lanes_written_out_of_order src/output/export_file.cpp \
  'order_.push_back(&band);' 'order_.push_front(&band);'
fault lane_band_top_from_the_wrong_end src/output/export_file.cpp \
  'rows_bottom_up(file.spec().format) ? region.height' 'false ? region.height'
fault lane_draws_the_band_before src/output/export_file.cpp \
  'const int done = plan_.rows_done();' 'const int done = std::max(plan_.rows_done() - 1, 0);'
fault g4_vertical_left_3_as_horizontal src/export/g4_coder.cpp \
  'd >= -3 && d <= 3) {' 'd >= -3 && d <= 2) {'
fault g4_longest_makeup_2496 src/export/g4_coder.cpp \
  'kLongestMakeup = 2560;' 'kLongestMakeup = 2496;'
fault g4_first_run_counts_imaginary_pixel src/export/g4_coder.cpp \
  'a1 - std::max(a0, 0), kWhiteRun' 'a1 - a0, kWhiteRun'
fault g4_repeated_row_end_code_dropped src/export/g4_coder.cpp \
  'out.put_ones(reference_changes + 1);' 'out.put_ones(reference_changes);'
fault disc_over_paints_last_pixel $S/raster_disc.cpp \
  'rest.span(j, hi + 1, sink.last_column());' 'rest.span(j, hi, sink.last_column());'
fault ring_drawn_solid $S/raster_disc.cpp \
  'fill_disc(sink, c, std::max(hole2, ring_hole(c)));' 'fill_disc(sink, c, hole2);'
fault sector_cos_second_quadrant $S/raster_sector.cpp \
  'sin_a = cr, cos_a = -sr;' 'sin_a = cr, cos_a = sr;'
fault sector_fast_rows_or $S/raster_sector.cpp \
  'if (height < within_rim * sin_least && height > beyond_hole * sin_most) {' \
  'if (height < within_rim * sin_least || height > beyond_hole * sin_most) {'
fault sector_by_pixel_hole_edge $S/raster_sector.cpp \
  'segments[1][0] = hole_hi + 1;' 'segments[1][0] = hole_hi;'
fault sector_merge_truncates $S/raster_sector.cpp \
  'merged.back().end = std::max(merged.back().end, p.end);' 'merged.back().end = p.end;'
fault arc_zero_sweep_wraps $S/raster_sector.cpp \
  'if (r.start <= r.end) {' 'if (r.start < r.end) {'
fault line_ties_toward_end $S/raster_line.cpp \
  'const Index num = 2 * k0 * m + n - 1;' 'const Index num = 2 * k0 * m + n;'
fault line_ceil_div_off_by_one $S/raster_line.cpp \
  'return a >= 0 ? (a + b - 1) / b : -((-a) / b);' 'return a >= 0 ? (a + b) / b : -((-a) / b);'
fault radius_hole_margin_small $S/raster_line.cpp \
  'const double margin = 1.2 + 1e-9' 'const double margin = 0.2 + 1e-9'
fault far_clip_nearest_point_sign $S/raster_line.cpp \
  'std::clamp(-(x0 * dx + y0 * dy) / d2, 0.0, 1.0)' 'std::clamp((x0 * dx + y0 * dy) / d2, 0.0, 1.0)'

I=src/incremental/incremental_renderer.cpp
fault inc_b_phase_whole_pitch $I \
  'if (ch.type == ChannelType::B) phase = d_ / 2;' 'if (ch.type == ChannelType::B) phase = d_;'
fault inc_last_slot_dropped $I \
  'const double last_i = checked(2 * res_ - 1);' 'const double last_i = checked(2 * res_ - 3);'
fault inc_mask_2_only_when_on $I \
  'if (n < 2 || ch.on) {' 'if (n < 1 || ch.on) {'
fault inc_zoom_not_on_radii $I \
  'return pal_.zoomed ? checked(zoom_ * scaled) : scaled;' 'return scaled;'
fault inc_balance_over_180 $I \
  'checked(number(design_.channels[n].balance) * d_) / 90)' \
  'checked(number(design_.channels[n].balance) * d_) / 180)'

A=src/absolute
fault abs_grey_quarter_offset $A/absolute_renderer.cpp \
  'if (design.code_type == CodeType::Grey) d = theta / 2;' 'if (design.code_type == CodeType::Grey) d = theta / 4;'
fault abs_track_pitch_one_slot $A/absolute_renderer.cpp \
  'e -= 2 * sl;' 'e -= sl;'
fault abs_innermost_track_dropped $A/absolute_renderer.cpp \
  'i >= 0; i -= 1, ++track)' 'i > 0; i -= 1, ++track)'
fault abs_auto_slot_one_shaft $A/absolute_design.cpp \
  '(g.outer_radius - 2 * g.shaft_radius) / (2 * d.resolution_exp)' \
  '(g.outer_radius - g.shaft_radius) / (2 * d.resolution_exp)'
fault abs_user_edge_unscaled $A/absolute_design.cpp \
  'g.first_track_outer = g.outer_radius - g.scale * d.edge_distance;' \
  'g.first_track_outer = g.outer_radius - d.edge_distance;'

N=src/common/numtext.cpp
fault round_half_away_from_even $N \
  'std::fmod(rounded, 2.0) != 0.0)' 'std::fmod(rounded, 2.0) == 0.0)'
fault general_text_16_digits $N \
  'std::chars_format::general, 15);' 'std::chars_format::general, 16);'
fault balance_low_clamp_sign $N \
  'if (*y < -kBalanceLimit) result = integer_text(-kBalanceLimit);' \
  'if (*y < -kBalanceLimit) result = integer_text(kBalanceLimit);'

J=src/request/disc_job.cpp
fault crop_without_margin $J \
  'const double half = 1.02 * std::fabs(geometry.rim_px);' 'const double half = 1.0 * std::fabs(geometry.rim_px);'
fault crop_start_rounded_up $J \
  'std::floor(centre - half)' 'std::ceil(centre - half)'
fault band_offset_forgotten $J \
  'region.left, region.top + top, region.width,' 'region.left, region.top, region.width,'

G=src/geometry/disc_geometry.cpp
fault geometry_touching_not_overlap $G \
  'if (std::max(t.inner, u.inner) <= std::min(t.outer, u.outer))' \
  'if (std::max(t.inner, u.inner) < std::min(t.outer, u.outer))'
fault geometry_mask_narrows_wrong_way $G \
  't.inner = std::max(t.inner, m);' 't.inner = std::min(t.inner, m);'
fault geometry_wrap_needs_three_pieces $G \
  'if (merged.size() >= 2 && merged.front().start <= 0.0' 'if (merged.size() > 2 && merged.front().start <= 0.0'
fault outline_inner_arc_same_direction $G \
  't.inner > 0 ? -sweep : 0' 't.inner > 0 ? sweep : 0'

E=src/export
fault pdf_bezier_quarter_turns $E/svg_pdf.cpp \
  'kMaxBezierAngle = kPi / 16.0;' 'kMaxBezierAngle = kPi / 2.0;'
fault svg_sweep_flag_swapped $E/svg_pdf.cpp \
  'out_ += span > 0 ? " 0 0 0 " : " 0 0 1 ";' 'out_ += span > 0 ? " 0 0 1 " : " 0 0 0 ";'
fault quad_winding_flipped $E/svg_pdf.cpp \
  'if (area > 0) std::swap(b, d);' 'if (area < 0) std::swap(b, d);'
fault line_quarter_pixel_wide $E/svg_pdf.cpp \
  'const double ux = dx / len * 0.5, uy = dy / len * 0.5;' 'const double ux = dx / len * 0.25, uy = dy / len * 0.25;'
fault ring_hole_wound_same_way $E/svg_pdf.cpp \
  'if (inner > 0) full_circle(cx, cy, inner, false);' 'if (inner > 0) full_circle(cx, cy, inner, true);'
fault gerber_clip_drops_every_line $E/gerber.cpp \
  'if (p == 0.0) return q >= 0.0;' 'return false;'
fault gerber_arc_centre_offset_sign $E/gerber.cpp \
  'put_int(c.x - from.x);' 'put_int(from.x - c.x);'
fault gerber_stroke_on_inner_edge $E/gerber.cpp \
  'const double mid = r - 0.5;' 'const double mid = r - 1.0;'
fault dxf_bulge_half_angle $E/dxf.cpp \
  'sx * std::tan(step / 4)' 'sx * std::tan(step / 2)'
fault dxf_mirror_bulge_kept $E/dxf.cpp \
  'sx * std::tan(step / 4)' 'std::tan(step / 4)'
fault gerber_clockwise_arcs_counter_clockwise $E/gerber.cpp \
  'interpolation(clockwise != mirror_ ? 2 : 3);' 'interpolation(mirror_ ? 2 : 3);'
fault svg_outlines_nonzero $E/svg_pdf.cpp \
  'if (paint == Paint::EvenOdd) out_ += "\" fill-rule=\"evenodd";' 'if (paint == Paint::EvenOdd) out_ += "\" fill-rule=\"nonzero";'
fault pdf_outlines_nonzero $E/svg_pdf.cpp \
  'paint_ == Paint::EvenOdd ? "f*\n"' 'paint_ == Paint::EvenOdd ? "f\n"'
fault svg_negative_colours_kept $E/svg_pdf.cpp \
  'const char* colour = (c == Colour::Black) != exchange_ ?' 'const char* colour = (c == Colour::Black) ?'
fault svg_decimals_uncapped $E/svg_pdf.cpp \
  'unit == Unit::Millimetre ? 6 : 7);' '17);'
fault svg_long_path_never_split $E/svg_pdf.cpp \
  'kSvgPathBytes = 8000000;' 'kSvgPathBytes = 80000000;'
fault gerber_mirror_x_kept $E/gerber.cpp \
  'units((mirror_ ? right_ - px : px - left_) * units_per_pixel_)' 'units((px - left_) * units_per_pixel_)'
fault report_lines_per_unit $E/design_report.cpp \
  '(kTwoPi * (n.middle / per_inch(unit)))' '(kTwoPi * (n.middle * per_inch(unit)))'
fault report_quadrature_loose $E/design_report.cpp \
  'const double tolerance = cycle / 16;' 'const double tolerance = cycle / 4;'
fault report_code_bits_shift $E/design_report.cpp \
  '(1LL << (count - 1 - k))' '(1LL << (count - k))'

B=src/geometry/bias.cpp
fault bias_sides_not_turned $B \
  'const double turn = b / middle;' 'const double turn = 0;'
fault bias_mask_grows $B \
  'f.r = static_cast<float>(f.r - b);' 'f.r = static_cast<float>(f.r + b);'
fault bias_shaft_stays $B \
  'if (f.r > 0) f.r = static_cast<float>(f.r + b);' 'if (f.r > 0) f.r = static_cast<float>(f.r);'
fault bias_refusal_in_inches_always $B \
  '(unit == Unit::Millimetre ? 1000.0 : kMicrometresPerInch)' 'kMicrometresPerInch'
fault check_slots_always_clear $E/design_report.cpp \
  'slot * t.inner, t.slots_open);' 'slot * t.inner, true);'
fault check_bar_at_middle_radius $E/design_report.cpp \
  'bar * t.inner, !t.slots_open);' 'bar * (t.inner + t.outer) / 2, !t.slots_open);'
fault process_etch_floor_forgotten src/request/process.cpp \
  'r.open_um = std::max(1.1 * f[0], kEtchFloorUm);' 'r.open_um = 1.1 * f[0];'

# --- options -----------------------------------------------------------------

build=${MUTANTS_BUILD:-build}
cap=${MUTANTS_CAP:-300,480}
build_cap=${cap%,*}
test_cap=${cap#*,}
fuzz_cap=${MUTANTS_FUZZ_CAP:-900}
table_file=${MUTANTS_TABLE:-}
with_fuzz=0 check_only=0 wanted=()
for a in "$@"; do
  case $a in
    --fuzz) with_fuzz=1 ;;
    --check) check_only=1 ;;
    -h|--help) sed -n '2,/^set /p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "mutants: unknown option $a" >&2; exit 2 ;;
    *) wanted+=("$a") ;;
  esac
done

selected=()
for k in "${!names[@]}"; do
  if [ ${#wanted[@]} -eq 0 ] || [[ " ${wanted[*]} " == *" ${names[$k]} "* ]]; then selected+=("$k"); fi
done
for w in "${wanted[@]}"; do
  [[ " ${names[*]} " == *" $w "* ]] || { echo "mutants: no fault named $w" >&2; exit 2; }
done

# Replaces the one occurrence of $2 in file $1 by $3; fails, leaving the file
# as it was, when the text is not there exactly once.
substitute() {
  python3 - "$@" <<'EOF'
import sys
path, old, new = sys.argv[1:4]
if "\n" in old or "\n" in new:
    sys.exit(f"{path}: a fault must stay on one line")
with open(path, encoding="utf-8", newline="") as f:
    text = f.read()
n = text.count(old)
if n != 1:
    sys.exit(f"{path}: the original text occurs {n} times: {old}")
with open(path, "w", encoding="utf-8", newline="") as f:
    f.write(text.replace(old, new))
EOF
}

if [ $check_only = 1 ]; then
  bad=0 scratch=$(mktemp)
  for k in "${selected[@]}"; do
    cp "${files[$k]}" "$scratch"
    substitute "$scratch" "${originals[$k]}" "${replacements[$k]}" || bad=1
  done
  rm -f "$scratch"
  [ $bad = 0 ] && echo "mutants: all ${#selected[@]} faults apply"
  exit $bad
fi

# The restore is git's, so a file with changes of its own is not touched.
mutated_files=$(for k in "${selected[@]}"; do echo "${files[$k]}"; done | sort -u)
# shellcheck disable=SC2086
if ! git diff --quiet HEAD -- $mutated_files; then
  echo "mutants: these files differ from HEAD; commit or stash first:" >&2
  # shellcheck disable=SC2086
  git diff --stat HEAD -- $mutated_files >&2
  exit 2
fi
[ -f "$build/CTestTestfile.cmake" ] || { echo "mutants: $build is not configured (bash scripts/build.sh $build)" >&2; exit 2; }

logs=$build/mutants
mkdir -p "$logs"
current=""   # the file that holds a fault right now
running=""   # the capped command's pid (its process group)

restore() {
  if [ -n "$running" ]; then
    kill -TERM -- "-$running" 2>/dev/null
    running=""
  fi
  if [ -n "$current" ]; then
    git checkout -q -- "$current" && [ "${1:-}" = loud ] && echo "mutants: restored $current" >&2
    current=""
  fi
}
trap 'restore loud' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# Runs a command under a time cap, in a process group of its own (timeout's),
# so that an interruption can end it with everything it started.
capped() {
  local seconds=$1 log=$2
  shift 2
  timeout -k 20 "$seconds" "$@" >"$log" 2>&1 &
  running=$!
  wait "$running"
  local rc=$?
  running=""
  return $rc
}

# The test targets ctest runs without the print tests (vantor-render comes
# with them); the GUI program and the benchmark are not needed.
targets=(vantor_core_tests vantor_export_tests vantor_render_tests vantor_gui_tests)
rebuild() { capped "$build_cap" "$1" cmake --build "$build" -j2 --target "${targets[@]}"; }
ctest=(ctest --test-dir "$build" -j2 -E print_tests --stop-on-failure)

# The failed tests of a ctest log: the first, and how many more.
failed_tests() {
  local list
  list=$(sed -n '/The following tests FAILED:/,$p' "$1" |
    sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (\([A-Za-z ]*\))$/\1 (\2)/p' |
    sed 's/  # GetParam() = .* (\([A-Za-z ]*\))$/ (\1)/')
  [ -n "$list" ] || return 1
  local first more
  first=$(head -1 <<<"$list")
  more=$(($(wc -l <<<"$list") - 1))
  [ ${#first} -gt 90 ] && first="${first:0:87}..."
  if [ $more -gt 0 ]; then echo "$first +$more"; else echo "$first"; fi
}

echo "mutants: checking that the suite passes as it is"
if ! rebuild "$logs/clean-build.log"; then
  echo "mutants: the unchanged tree does not build; see $logs/clean-build.log" >&2
  exit 1
fi
if ! capped "$test_cap" "$logs/clean-ctest.log" "${ctest[@]}"; then
  echo "mutants: the suite fails without any fault; see $logs/clean-ctest.log" >&2
  exit 1
fi

declare -A result=() caught_by=() seconds=() fuzz_result=() fuzz_by=() fuzz_seconds=()
start_all=$(date +%s)
count=0
for k in "${selected[@]}"; do
  name=${names[$k]} file=${files[$k]}
  count=$((count + 1))
  printf 'mutants: [%d/%d] %s (%s) ... ' "$count" "${#selected[@]}" "$name" "$file"
  t0=$(date +%s)
  current=$file
  if ! substitute "$file" "${originals[$k]}" "${replacements[$k]}" 2>"$logs/$name.apply.log"; then
    current=""
    result[$name]="not applied" caught_by[$name]="$(tail -1 "$logs/$name.apply.log")"
  elif ! rebuild "$logs/$name.build.log"; then
    result[$name]="build failed" caught_by[$name]="see $logs/$name.build.log"
  else
    capped "$test_cap" "$logs/$name.ctest.log" "${ctest[@]}"
    rc=$?
    if [ $rc = 0 ]; then
      result[$name]=MISSED caught_by[$name]="-"
    elif [ $rc = 124 ] || [ $rc = 137 ]; then
      result[$name]=caught caught_by[$name]="ctest ran past ${test_cap} s (hang)"
    elif by=$(failed_tests "$logs/$name.ctest.log"); then
      result[$name]=caught caught_by[$name]=$by
    else
      result[$name]=caught caught_by[$name]="ctest failed (exit $rc); see $logs/$name.ctest.log"
    fi
  fi
  restore
  seconds[$name]=$(($(date +%s) - t0))
  echo "${result[$name]} in ${seconds[$name]} s"
done
total_ctest=$(($(date +%s) - start_all))

# Leave the build matching the restored sources.
rebuild "$logs/restore-build.log" || echo "mutants: the rebuild after restoring failed; see $logs/restore-build.log" >&2

ctest_report() {
  local n_caught=0 n_missed=0 n_other=0
  echo
  echo "Planted faults against ctest -E print_tests (rebuild and run, seconds):"
  {
    echo "name|file|caught by|result|s"
    for k in "${selected[@]}"; do
      local name=${names[$k]}
      echo "$name|${files[$k]#src/}|${caught_by[$name]}|${result[$name]}|${seconds[$name]}"
    done
  } | column -t -s '|' -o ' | '
  for k in "${selected[@]}"; do
    case ${result[${names[$k]}]} in
      caught) n_caught=$((n_caught + 1)) ;;
      MISSED) n_missed=$((n_missed + 1)) ;;
      *) n_other=$((n_other + 1)) ;;
    esac
  done
  echo "ctest: $n_caught caught, $n_missed missed, $n_other not run, of ${#selected[@]}; $total_ctest s in all"
}

fuzz_report() {
  if [ ${#fuzzed[@]} -gt 0 ]; then
    echo
    echo "The faults ctest missed, against the bounded fuzz run (seconds):"
    {
      echo "name|file|caught by|result|s"
      for k in "${fuzzed[@]}"; do
        local name=${names[$k]}
        echo "$name|${files[$k]#src/}|${fuzz_by[$name]}|${fuzz_result[$name]}|${fuzz_seconds[$name]}"
      done
    } | column -t -s '|' -o ' | '
    echo "fuzz: $fuzz_total s in all"
  fi
}

# The ctest table is out before the fuzz runs start.
if [ -n "$table_file" ]; then ctest_report | tee "$table_file"; else ctest_report; fi

fuzz_total=0
missed=() fuzzed=()
for k in "${selected[@]}"; do [ "${result[${names[$k]}]}" = MISSED ] && missed+=("$k"); done
if [ $with_fuzz = 1 ] && [ ${#missed[@]} -gt 0 ]; then
  # Build the fuzz targets on the unchanged tree first, so that each run
  # below rebuilds only what its fault touches.
  echo "mutants: building the fuzz targets as they are"
  if ! capped 1800 "$logs/fuzz-clean.log" bash scripts/fuzz.sh fuzz_numtext; then
    echo "mutants: the fuzz targets do not build or fail as they are; no fuzz runs (see $logs/fuzz-clean.log)" >&2
    missed=()
  fi
  start_fuzz=$(date +%s)
  for k in "${missed[@]}"; do
    fuzzed+=("$k")
    name=${names[$k]} file=${files[$k]}
    printf 'mutants: fuzz %s ... ' "$name"
    t0=$(date +%s)
    current=$file
    substitute "$file" "${originals[$k]}" "${replacements[$k]}"
    capped "$fuzz_cap" "$logs/$name.fuzz.log" bash scripts/fuzz.sh
    rc=$?
    found=$(sed -n 's/^fuzz: \([a-z_]*\) found a fault.*/\1/p' "$logs/$name.fuzz.log" | paste -sd, -)
    if [ $rc = 0 ]; then
      fuzz_result[$name]=MISSED fuzz_by[$name]="-"
    elif [ -n "$found" ]; then
      fuzz_result[$name]=caught fuzz_by[$name]=$found
    elif [ $rc = 124 ] || [ $rc = 137 ]; then
      fuzz_result[$name]="ran past ${fuzz_cap} s" fuzz_by[$name]="-"
    else
      fuzz_result[$name]="error (exit $rc)" fuzz_by[$name]="see $logs/$name.fuzz.log"
    fi
    restore
    fuzz_seconds[$name]=$(($(date +%s) - t0))
    echo "${fuzz_result[$name]} in ${fuzz_seconds[$name]} s"
  done
  fuzz_total=$(($(date +%s) - start_fuzz))
  # Leave build-fuzz matching the restored sources.
  capped 1800 "$logs/fuzz-restore.log" cmake --build build-fuzz -j2
fi

if [ -n "$table_file" ]; then fuzz_report | tee -a "$table_file"; else fuzz_report; fi
