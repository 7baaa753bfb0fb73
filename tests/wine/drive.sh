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
serve_drive_requests() {  # the window test's requests in $work: traffic, hangup, restart [OPTIONS]
  if [ -e "$work/traffic.request" ]; then
    asked=$(grep -c '^traffic:' "$work/drive.out" || true)
    kill -USR1 "$drive_pid"
    for _ in $(seq 100); do
      [ "$(grep -c '^traffic:' "$work/drive.out")" -gt "$asked" ] && break
      sleep 0.01
    done
    grep '^traffic:' "$work/drive.out" | tail -1 >"$work/traffic"
    rm -f "$work/traffic.request"
  fi
  if [ -e "$work/hangup.request" ]; then
    stop_drive
    rm -f "$work/hangup.request"
  fi
  if [ -e "$work/restart.request" ]; then
    stop_drive
    options=()
    read -ra options <"$work/restart.request" || true  # a request without a line end, or empty
    start_drive "${options[@]}"
    rm -f "$work/restart.request"
  fi
}
