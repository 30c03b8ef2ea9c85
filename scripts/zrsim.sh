# Sourced by run.sh and package.sh.
#   start_zrsim PROGRAM OUT ERR
# starts the simulator PROGRAM on a free loopback UDP port, its stdout into
# OUT and stderr into ERR, and waits (up to 10 s) for its READY line. Sets
# $sim to its process id (at once, for the caller's EXIT trap) and $port to
# its UDP port; returns 1 with a message when it did not come up.
start_zrsim() {
    "$1" --udp 127.0.0.1:0 >"$2" 2>"$3" &
    sim=$!
    for _ in $(seq 1 100); do
        grep -q '^ZRSIM READY' "$2" && break
        kill -0 "$sim" 2>/dev/null || { echo "zrsim failed to start:" >&2; cat "$3" >&2; return 1; }
        sleep 0.1
    done
    port=$(awk '/^ZRSIM UDP/ {print $4}' "$2")
    [ -n "$port" ] || { echo "zrsim did not report its UDP port" >&2; return 1; }
}
