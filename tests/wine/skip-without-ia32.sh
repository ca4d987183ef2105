# Sourced by the Wine test scripts. A 32-bit suite (WINEARCH=win32) needs a kernel that runs
# 32-bit programs; on a machine whose kernel runs none, each of its tests says why and reports
# itself skipped (exit 77, the tests' SKIP_RETURN_CODE) instead of failing.
if [ "${WINEARCH:-}" = win32 ]; then
  set +e
  ia32_reason=$(bash "$(dirname "${BASH_SOURCE[0]}")/ia32-probe.sh")
  ia32_status=$?
  set -e
  case $ia32_status in
    0) ;;
    1) echo "SKIPPED: $ia32_reason; the 32-bit Wine suite needs them"; exit 77 ;;
    *) echo "FAIL: the 32-bit probe could not tell whether this kernel runs 32-bit programs" >&2; exit 1 ;;
  esac
fi
