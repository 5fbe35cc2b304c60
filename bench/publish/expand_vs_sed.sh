#!/usr/bin/env bash
# Page expansion of a 1 MB and a 10 MB template against sed doing the same
# 18 case-insensitive substitutions on the same file. Target: within 2x of sed.
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
. "$top/scripts/packages.sh"
ensure_packages $HALVORN_BENCH_PACKAGES
bin="$top/build/bench/publish_bench"
[ -x "$bin" ] || { echo "build first: cmake --build build --target publish_bench" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
memo='<P><FORM action="http:\/\/192.0.2.7:4175\/memo\/" method="POST"> (form)<\/FORM><\/P>'
sedprog="s/%ip%/192.0.2.7/gI; s/%time%/3:07 PM/gI; s/%dns%/bench.example/gI; s/%date%/Saturday, Dec 5 2026/gI;
s/%memo%/$memo/gI; s/%24time%/15:07:09/gI; s/%c1%/one/gI; s/%c2%/two/gI; s/%c3%/three/gI; s/%c4%/four/gI;
s/%c5%/five/gI; s/%status%/Online/gI; s/<html>/ /gI; s/%mm\/dd\/yy%/12\/05\/26/gI; s/%mm-dd-yy%/12-05-26/gI;
s/%mmmddyyyy%/Dec 05, 2026/gI; s/%shwday%/Sat/gI; s/%lowday%/Saturday/gI"
for mb in 1 10; do
  /usr/bin/python3 "$top/bench/publish/make_template.py" "$work/t$mb.html" "$mb"
  hyperfine --warmup 2 --runs 10 --export-json "$work/r$mb.json" \
    -n halvorn "$bin expand $work/t$mb.html $work/o$mb.html" \
    -n sed "sed -e '$sedprog' $work/t$mb.html > $work/s$mb.html" >/dev/null
  /usr/bin/python3 - "$work/r$mb.json" "$mb" <<'PY'
import json, sys
r = {x["command"]: x["median"] for x in json.load(open(sys.argv[1]))["results"]}
ratio = r["halvorn"] / r["sed"]
print(f"expand (median) {sys.argv[2]} MB: halvorn {r['halvorn']*1000:.1f} ms, sed {r['sed']*1000:.1f} ms, "
      f"ratio {ratio:.2f} (target <= 2.0) {'OK' if ratio <= 2.0 else 'OVER'}")
PY
done
