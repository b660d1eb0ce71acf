#!/usr/bin/env bash
# Secure uploads of one file against the usual command-line clients, in one run, on loopback:
#   SFTP to OpenSSH's sshd (key sign-in): yarvelin-feed upload vs `sftp -b` vs `curl -T`
#   FTP over explicit TLS to vsftpd:      yarvelin-feed upload vs `curl -T --ssl-reqd`
# Usage: bench/secure_upload_bench.sh PATH/TO/yarvelin-feed [SIZE] [RUNS]
# SIZE is in megabytes (default 100), or in kilobytes with a K after it (1K: what one small upload costs).
# Each contender runs RUNS times (default 3); the fastest run counts and the median shows the spread. Every
# copy is compared with the original byte for byte. Servers, keys and certificates are made in a temporary
# folder and removed after.
set -euo pipefail

FEED_TOOL=$(realpath "$1")
SIZE=${2:-100}
case $SIZE in
  *K) BYTES=$((${SIZE%K} * 1024)) ;;
  *) BYTES=$((SIZE * 1048576)) ;;
esac
RUNS=${3:-3}
dir=$(mktemp -d /tmp/yarvelin-secure-bench-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  rm -rf "$dir"
}
trap cleanup EXIT

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_port() {
  for _ in $(seq 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; then return 0; fi
    sleep 0.05
  done
  echo "server on port $1 did not start" >&2; exit 1
}

mkdir -p "$dir/root"
head -c "$BYTES" /dev/urandom > "$dir/feed.bin"
user=$(id -un)

# sshd with its own host key and one authorized key.
ssh_port=$(free_port)
ssh-keygen -q -t ed25519 -N '' -f "$dir/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$dir/client_key"
cp "$dir/client_key.pub" "$dir/authorized_keys"
if [ "$(id -u)" -eq 0 ] && [ ! -d /run/sshd ]; then mkdir -m 0755 /run/sshd; fi
cat > "$dir/sshd_config" <<CONF
ListenAddress 127.0.0.1:$ssh_port
HostKey $dir/host_key
AuthorizedKeysFile $dir/authorized_keys
PidFile none
StrictModes no
UsePAM no
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
Subsystem sftp internal-sftp
LogLevel ERROR
CONF
/usr/sbin/sshd -D -e -f "$dir/sshd_config" 2> "$dir/sshd.log" &
pids+=($!)
wait_port "$ssh_port"
host_sha=$(ssh-keygen -lf "$dir/host_key.pub" | cut -d' ' -f2 | sed 's/^SHA256://')

# vsftpd with explicit TLS and a self-signed certificate.
ftp_port=$(free_port)
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
  -keyout "$dir/key.pem" -out "$dir/cert.pem" 2>/dev/null
cat > "$dir/vsftpd.conf" <<CONF
listen=YES
listen_address=127.0.0.1
listen_port=$ftp_port
background=NO
run_as_launching_user=YES
anonymous_enable=YES
no_anon_password=YES
anon_root=$dir/root
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_umask=022
connect_from_port_20=NO
seccomp_sandbox=NO
xferlog_enable=NO
ssl_enable=YES
allow_anon_ssl=YES
force_anon_data_ssl=YES
force_anon_logins_ssl=YES
rsa_cert_file=$dir/cert.pem
rsa_private_key_file=$dir/key.pem
CONF
/usr/sbin/vsftpd "$dir/vsftpd.conf" > "$dir/vsftpd.log" 2>&1 &
pids+=($!)
wait_port "$ftp_port"
pin="sha256//$(openssl x509 -in "$dir/cert.pem" -pubkey -noout | openssl pkey -pubin -outform der |
  openssl dgst -sha256 -binary | base64)"

# best NAME TARGET COMMAND...: the fastest and the median of RUNS runs in seconds ("0.512 0.530"); TARGET
# must equal the feed after each run.
best() {
  local name=$1 target=$2; shift 2
  local times=()
  for _ in $(seq "$RUNS"); do
    rm -f "$target"
    local start=$EPOCHREALTIME
    if ! "$@" > "$dir/out.log" 2>&1; then echo "$name failed:" >&2; cat "$dir/out.log" >&2; exit 1; fi
    times+=("$(/usr/bin/python3 -c "print(f'{$EPOCHREALTIME - $start:.3f}')")")
    cmp -s "$dir/feed.bin" "$target" || { echo "$name: the copy differs" >&2; exit 1; }
  done
  /usr/bin/python3 -c 'import statistics, sys; t = [float(x) for x in sys.argv[1:]]; print(f"{min(t):.3f} {statistics.median(t):.3f}")' "${times[@]}"
}

export no_proxy='*' NO_PROXY='*'
# The program names the remote file after the local one: links give each copy its own name.
ln "$dir/feed.bin" "$dir/y.bin"
ln "$dir/feed.bin" "$dir/yt.bin"
y_sftp=$(best yarvelin-sftp "$dir/root/y.bin" "$FEED_TOOL" upload "$dir/y.bin" --binary \
  --server "sftp://127.0.0.1:$ssh_port$dir/root" --user "$user" --identity "$dir/client_key" \
  --known-hosts "$dir/known_hosts" --accept-new-host-key)
echo "put $dir/feed.bin $dir/root/s.bin" > "$dir/batch"
s_sftp=$(best sftp-b "$dir/root/s.bin" sftp -q -b "$dir/batch" -i "$dir/client_key" -P "$ssh_port" \
  -o UserKnownHostsFile="$dir/known_hosts_openssh" -o StrictHostKeyChecking=accept-new "$user@127.0.0.1")
c_sftp=$(best curl-sftp "$dir/root/c.bin" curl -sS -T "$dir/feed.bin" --key "$dir/client_key" \
  --pubkey "$dir/client_key.pub" --hostpubsha256 "$host_sha" -u "$user:" "sftp://127.0.0.1:$ssh_port$dir/root/c.bin")
y_tls=$(best yarvelin-ftpes "$dir/root/yt.bin" "$FEED_TOOL" upload "$dir/yt.bin" --binary \
  --server "ftpes://127.0.0.1:$ftp_port" --pin-sha256 "$pin")
c_tls=$(best curl-ftpes "$dir/root/ct.bin" curl -sS -T "$dir/feed.bin" --ssl-reqd -k --tls-max 1.2 \
  "ftp://127.0.0.1:$ftp_port/ct.bin")

/usr/bin/python3 - "$BYTES" $y_sftp $s_sftp $c_sftp $y_tls $c_tls <<'PY'
import sys
size = int(sys.argv[1])
(ys, ysm), (ss, ssm), (cs, csm), (yt, ytm), (ct, ctm) = zip(*[iter(map(float, sys.argv[2:]))] * 2)
mb = size / 1048576
print(f"| contender | fastest s | median s | MB/s (fastest) |")
print(f"|---|---:|---:|---:|")
for name, t, m in [("yarvelin-feed upload sftp://", ys, ysm), ("sftp -b", ss, ssm), ("curl -T sftp://", cs, csm),
                   ("yarvelin-feed upload ftpes://", yt, ytm), ("curl -T --ssl-reqd (TLS 1.2)", ct, ctm)]:
    print(f"| {name} | {t:.3f} | {m:.3f} | {mb / t:.{1 if mb >= 1 else 3}f} |")
print()
print(f"SFTP: yarvelin time / sftp -b time = {ys / ss:.2f} (target at most 1.5)")
print(f"SFTP: yarvelin throughput / curl throughput = {cs / ys:.2f} (target at least 0.8)")
print(f"FTPES: yarvelin throughput / curl throughput = {ct / yt:.2f} (target at least 0.8); "
      f"of the medians {ctm / ytm:.2f}")
PY
