#!/usr/bin/env bash
# Runs beside notes-host inside the virtual display: for every NAME.ready the host leaves in
# the current folder, takes a screenshot NAME.png of the whole screen and answers NAME.done.
while true; do
  for ready in *.ready; do
    [ -e "$ready" ] || continue
    name=${ready%.ready}
    import -window root "$name.png" 2>/dev/null || xwd -root -silent | convert xwd:- "$name.png"
    rm -f "$ready"
    touch "$name.done"
  done
  sleep 0.1
done
