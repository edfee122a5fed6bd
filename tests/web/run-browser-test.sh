#!/usr/bin/env bash
# The browser board end to end: `pentad serve` driven by Debian's chromium.
# Usage: tests/web/run-browser-test.sh PATH/TO/pentad
# Screenshots and the server's log go to tests/web/test-output/.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -x "$1" ]; then
  echo "usage: $0 PATH/TO/pentad" >&2
  exit 2
fi
pentad=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
output="$here/test-output"
mkdir -p "$output"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
missing=()
[ -x /usr/bin/chromium ] || missing+=(chromium)
command -v node > /dev/null || missing+=(nodejs)
command -v npm > /dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

cd "$here"
export PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
npm ci --no-audit --no-fund --loglevel=error

node --test rules.test.mjs review.test.mjs

port=$(node -e "const s = require('net').createServer().listen(0, '127.0.0.1', () => { console.log(s.address().port); s.close(); });")
"$pentad" serve --port "$port" > "$output/serve.log" 2>&1 &
server=$!
stop_server() {
  if kill -0 "$server" 2> /dev/null; then
    kill -INT "$server"
    wait "$server"
  fi
}
trap 'kill "$server" 2> /dev/null || true' EXIT

for _ in $(seq 100); do
  grep -q "listening on http://127.0.0.1:$port/" "$output/serve.log" && break
  kill -0 "$server" 2> /dev/null || { cat "$output/serve.log" >&2; exit 1; }
  sleep 0.1
done

status=0
timeout 240 node browser-test.mjs "http://127.0.0.1:$port/" "$output" || status=$?

# Ctrl-C must stop the server cleanly.
server_status=0
stop_server || server_status=$?
trap - EXIT
if [ "$server_status" -ne 0 ]; then
  echo "pentad serve exited with status $server_status after SIGINT" >&2
  cat "$output/serve.log" >&2
  status=1
fi
exit "$status"
