# Sourced: a simulated drive behind Wine's COM port $com (default 99). Needs
# $linux_build (where simdrive is), $WINEPREFIX and $work (a scratch folder).
com=${com:-99}
drive_pid=""
start_drive() {  # [SIMDRIVE OPTIONS...]
  "$linux_build/bin/simdrive" --com "$com" --ports-file "$work/ports" --link "$WINEPREFIX/dosdevices/com$com" "$@" \
    >"$work/drive.out" 2>&1 &
  drive_pid=$!
  # Ready once both the link and its ports-file line are there: the drive writes
  # them one after the other, and a program may read the ports file in between.
  for _ in $(seq 50); do
    [ -e "$WINEPREFIX/dosdevices/com$com" ] && grep -qs "^COM$com=" "$work/ports" && return 0
    sleep 0.1
  done
  echo "the simulated drive did not start"; cat "$work/drive.out"; exit 1
}
stop_drive() {
  [ -n "$drive_pid" ] || return 0
  kill "$drive_pid" 2>/dev/null; wait "$drive_pid" 2>/dev/null; drive_pid=""
}
