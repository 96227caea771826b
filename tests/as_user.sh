# Sourced by the tests that must run as an ordinary user (root reads every
# folder and, under Wine, writes every read-only file): sets as_user to the
# command prefix that runs a program as the user nobody when the test runs
# as root (setpriv), empty otherwise; exits 77 (skipped) with a message
# where root cannot become nobody.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  if ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
    echo "SKIPPED: running as root without setpriv or the user nobody"
    exit 77
  fi
  as_user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
fi
