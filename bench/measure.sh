# Sourced by the shell benchmarks. Needs /usr/bin/time (Debian package 'time') and $work, a scratch folder.

# "wall-seconds peak-KiB cpu-seconds" of the fastest of $2 runs of the shell command $1. Its exit status
# does not count (validate exits 1 when the feed holds errors, which is no failure here).
measure() {
  local best="" mem="" cpu=""
  for _ in $(seq "$2"); do
    /usr/bin/time -f "%e %M %U %S" -o "$work/t" bash -c "$1; true" >/dev/null
    read -r t m u s <"$work/t"
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then
      best=$t mem=$m cpu=$(awk "BEGIN{print $u + $s}")
    fi
  done
  echo "$best $mem $cpu"
}
