# Shared by the benchmark scripts (sourced; run.sh runs only *.sh files).

# setup_twin_bench NAME PROGRAM: checks PROGRAM and luac5.4, makes the work
# folder $work (removed at exit unless KEEP_DIR names one), reads CLASSES,
# FUNCTIONS and RUNS into $classes, $functions and $runs, and writes the
# twin sources $work/big.gs and $work/big.lua.
setup_twin_bench() {
  if [ ! -x "$2" ]; then
    echo "$1: $2 not built" >&2
    exit 1
  fi
  if ! command -v luac5.4 >/dev/null 2>&1; then
    echo "$1: luac5.4 missing (Debian package lua5.4)" >&2
    exit 1
  fi
  work=${KEEP_DIR:-$(mktemp -d)}
  [ -n "${KEEP_DIR:-}" ] || trap 'rm -rf "$work"' EXIT
  classes="${CLASSES:-150}"
  functions="${FUNCTIONS:-50}"
  runs="${RUNS:-5}"
  make_twin_sources "$classes" "$functions" "$work/big.gs" "$work/big.lua"
}

# make_twin_sources CLASSES FUNCTIONS GS_FILE LUA_FILE
# Writes a DudoRazuzu source and its Lua twin with the same functions.
# ~13 lines per function: a local, a for loop, if/else, arithmetic, a member
# update and a string concatenation; the Lua twin does the same.
make_twin_sources() {
  awk -v classes="$1" -v functions="$2" -v gs="$3" -v lua="$4" 'BEGIN {
  for (c = 0; c < classes; c++) {
    printf "class C%d\n{\n  int total;\n  string label;\n", c > gs
    printf "C%d = {}\nC%d.__index = C%d\n", c, c, c > lua
    for (f = 0; f < functions; f++) {
      printf "  public int f%d(int a, int b)\n  {\n    int i;\n    int sum = 0;\n", f > gs
      printf "    for (i = 0; i < a; i++)\n    {\n      if (i %% 2 == 0) sum = sum + i * b;\n", f > gs
      printf "      else sum = sum - (i << 1);\n    }\n    total = total + sum;\n", f > gs
      printf "    label = \"f%d \" + sum;\n    return sum;\n  }\n", f > gs
      printf "function C%d:f%d(a, b)\n  local sum = 0\n  for i = 0, a - 1 do\n", c, f > lua
      printf "    if i %% 2 == 0 then sum = sum + i * b\n    else sum = sum - (i << 1) end\n  end\n", f > lua
      printf "  self.total = (self.total or 0) + sum\n  self.label = \"f%d \" .. sum\n  return sum\nend\n", f > lua
    }
    printf "};\n" > gs
  }
}'
}

# best RUNS COMMAND...: the best wall time of RUNS runs, in nanoseconds.
best() {
  local runs=$1 best_ns=0 start end ns i
  shift
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    ns=$((end - start))
    if [ "$best_ns" -eq 0 ] || [ "$ns" -lt "$best_ns" ]; then best_ns=$ns; fi
  done
  echo "$best_ns"
}

# enter_installed_copy TREE PREFIX: copies the installed tree TREE (or
# installs the build folder TREE) to $work/root, a fresh folder named after
# PREFIX that leave_installed_copy removes at exit, and enters its bin folder.
# A script with more to end at exit sets its own trap ending in
# leave_installed_copy.
enter_installed_copy() {
  work="$(mktemp -d "/tmp/$2.XXXXXX")"
  trap leave_installed_copy EXIT
  if [ -x "$1/bin/KorvelUtil" ]; then
    cp -r "$1" "$work/root"
  elif [ -f "$1/CMakeCache.txt" ]; then
    cmake --install "$1" --prefix "$work/root" >/dev/null
  fi
  [ -x "$work/root/bin/KorvelUtil" ] || { echo "no installed tree or build folder at $1"; exit 1; }
  cd "$work/root/bin"
}

# leave_installed_copy: closes the copy's daemon and removes $work.
leave_installed_copy() {
  cd /
  "$work/root/bin/KorvelUtil" closekaddaemon >/dev/null 2>&1 || true
  rm -rf "$work"
}

# make_archive KUID NAME: installs an asset of 200 MB of files (half text,
# half incompressible bytes) as KUID with the user name NAME, from
# $work/asset, and packs it into $work/bench.cdp; run in the copy's bin.
make_archive() {
  mkdir -p "$work/asset"
  printf 'kuid %s\nkind "scenery"\nusername "%s"\n' "$1" "$2" >"$work/asset/config.txt"
  (yes "a line of mesh notes, track segment 0042, signal aspect green" || true) | head -c 100000000 >"$work/asset/notes.txt"
  head -c 100000000 /dev/urandom >"$work/asset/texture.tga"
  ./KorvelUtil installfrompath "$work/asset" >/dev/null
  ./KorvelUtil createcdp "$work/bench.cdp" "$1" >/dev/null
}

# median_ms RUNS COMMAND...: the median wall time of RUNS runs of COMMAND
# (its failures ignored), in milliseconds with three decimals.
median_ms() {
  local runs=$1 samples=() start end i
  shift
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    samples+=($(( (end - start) / 1000 )))
  done
  printf '%s\n' "${samples[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]/1000}'
}
