#!/usr/bin/env bash
# Runs a command against a private CUPS server with one PDF queue.
#
#   with_private_cups.sh COMMAND [ARG...]
#
# A cupsd of its own runs from a temporary folder (configuration, spool,
# cache, state and logs all inside it) and listens only on a unix socket in
# that folder; the system's printer setup is neither read nor changed.  The
# queue prints through the cups-pdf backend, whose output folder, spool and
# log are set in the queue's own PPD, so the PDFs land in the temporary
# folder too.  The command runs with
#   CUPS_SERVER         the private socket (libcups, lp, lpstat and Qt use it)
#   VANTOR_PRINT_QUEUE  the queue's name (also the server's default queue)
#   VANTOR_PRINT_OUT    the folder that receives one PDF per finished job
#   VANTOR_PRINT_ROOT   the temporary folder: etc/ppd/<queue>.ppd is the
#                       queue's PPD, log/page_log the server's page log
# The server is stopped and the folder removed on every exit, also when the
# command fails or hangs (VANTOR_PRINT_TIMEOUT seconds, 300 by default).
# Set VANTOR_KEEP_PRINT_DIR=1 to keep the folder for inspection.
# Exit status: the command's; 2 when the server or the queue cannot be set up.
# Needs root: the cups-pdf backend may only be run by root, and cupsd then
# runs its filters as the user lp.
set -uo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 COMMAND [ARG...]" >&2
  exit 2
fi

queue=vantor-pdf
timeout_s=${VANTOR_PRINT_TIMEOUT:-300}
ppd_source=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

# Short, so that the socket's path fits a unix socket address.
root=$(mktemp -d /tmp/vcups.XXXXXX) || exit 2
cupsd_pid=
command_pid=

cleanup() {
  if [ -n "$command_pid" ] && kill -0 "$command_pid" 2>/dev/null; then
    kill -TERM "$command_pid" 2>/dev/null
    wait "$command_pid" 2>/dev/null
  fi
  if [ -n "$cupsd_pid" ] && kill -0 "$cupsd_pid" 2>/dev/null; then
    kill -TERM "$cupsd_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$cupsd_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$cupsd_pid" 2>/dev/null
    wait "$cupsd_pid" 2>/dev/null
  fi
  if [ -z "${VANTOR_KEEP_PRINT_DIR:-}" ]; then
    rm -rf "$root"
  else
    echo "private CUPS folder kept: $root" >&2
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

fail() {
  echo "private CUPS: $*" >&2
  for f in "$root/log/error_log" "$root/cups-pdf-log/cups-pdf-${queue}_log"; do
    [ -f "$f" ] && { echo "--- $f" >&2; tail -n 40 "$f" >&2; }
  done
  exit 2
}

[ "$(id -u)" -eq 0 ] || fail "must run as root (the cups-pdf backend runs only as root)"
for tool in cupsd lpadmin lpstat; do
  command -v "$tool" >/dev/null || PATH=$PATH:/usr/sbin:/sbin
  command -v "$tool" >/dev/null || fail "$tool is not installed (package cups)"
done
[ -x /usr/lib/cups/backend/cups-pdf ] || fail "the cups-pdf backend is missing (package printer-driver-cups-pdf)"
[ -f "$ppd_source" ] || fail "$ppd_source is missing (package printer-driver-cups-pdf)"

# The filters run as lp and must reach the spool inside the folder.
chmod 0755 "$root"
mkdir -p "$root/etc" "$root/spool/tmp" "$root/cache" "$root/state" "$root/log" \
         "$root/cups-pdf-out" "$root/cups-pdf-spool" "$root/cups-pdf-log" \
  || fail "cannot create $root"
socket=$root/cups.sock

cat >"$root/etc/cups-files.conf" <<CONF
ServerRoot $root/etc
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/state
ErrorLog $root/log/error_log
AccessLog $root/log/access_log
PageLog $root/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
User lp
Group lp
SystemGroup root
Sandboxing Relaxed
Printcap $root/printcap
CONF

cat >"$root/etc/cupsd.conf" <<CONF
LogLevel debug
Listen $socket
Browsing No
WebInterface No
DefaultAuthType None
DefaultShared No
PreserveJobHistory Yes
PreserveJobFiles No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
CONF
chmod 0640 "$root/etc/cupsd.conf" "$root/etc/cups-files.conf"

# The queue's PPD: the stock cups-pdf one plus the backend's folders as the
# defaults of options of its own.  cups-pdf reads its settings from the
# queue's PPD after its system configuration file, but a PPD default loses
# everything from its first "/", so the folders are named relative to the
# backend's working folder, which is cupsd's: the folder it is started in.
# A backend that finds them missing stops before it writes anything.
# lpadmin rewrites defaults that name no choice of their option, so the PPD
# is put in place again once the queue exists.
ppd=$root/queue.ppd
{
  cat "$ppd_source"
  for opt in Out:cups-pdf-out AnonDirName:cups-pdf-out Spool:cups-pdf-spool \
             Log:cups-pdf-log Grp:lp; do
    key=${opt%%:*} value=${opt#*:}
    printf '*OpenUI *%s/%s: PickOne\n*Default%s: %s\n*%s %s/%s: ""\n*CloseUI: *%s\n' \
      "$key" "$key" "$key" "$value" "$key" "$value" "$value" "$key"
  done
} >"$ppd"

(cd "$root" && exec cupsd -f -c "$root/etc/cupsd.conf" -s "$root/etc/cups-files.conf") \
  >"$root/log/cupsd.out" 2>&1 &
cupsd_pid=$!

export CUPS_SERVER=$socket
ready=
for _ in $(seq 100); do
  kill -0 "$cupsd_pid" 2>/dev/null || fail "cupsd exited at start: $(cat "$root/log/cupsd.out")"
  if [ -S "$socket" ] && timeout 5 lpstat -h "$socket" -r 2>/dev/null | grep -qx 'scheduler is running'; then
    ready=1
    break
  fi
  sleep 0.1
done
[ -n "$ready" ] || fail "cupsd did not answer on $socket within 10 s"

timeout 30 lpadmin -h "$socket" -p "$queue" -E -v cups-pdf:/ -P "$ppd" \
  -D "Vantor test PDF queue" 2>"$root/log/lpadmin.err" \
  || fail "lpadmin failed: $(cat "$root/log/lpadmin.err")"
cp "$ppd" "$root/etc/ppd/$queue.ppd" || fail "cannot install the queue's PPD"
timeout 30 lpadmin -h "$socket" -d "$queue" 2>>"$root/log/lpadmin.err" \
  || fail "lpadmin -d failed: $(cat "$root/log/lpadmin.err")"
timeout 10 lpstat -h "$socket" -p "$queue" 2>/dev/null | grep -q enabled \
  || fail "queue $queue is not enabled"

export VANTOR_PRINT_QUEUE=$queue
export VANTOR_PRINT_OUT=$root/cups-pdf-out
export VANTOR_PRINT_ROOT=$root

# In the background, so that a signal to this script is handled at once.
timeout --kill-after=10 "$timeout_s" "$@" &
command_pid=$!
wait "$command_pid"
status=$?
command_pid=
[ $status -eq 124 ] && echo "private CUPS: the command did not finish within ${timeout_s} s" >&2
exit $status
