#!/bin/bash
# Local web servers for the HTTPS tests and benchmarks, on loopback ports of their own:
#   bash web_servers.sh STATE ROOT HTTPS HTTP NORANGE WRONGNAME PROXY AUTHPROXY [MAX_SECONDS]
# STATE is a folder of its own (made if missing): a test CA and certificates made there by
# openssl once (ca.crt, ca.der: the CA to trust; localhost.crt for localhost and 127.0.0.1;
# other.crt for another name), the configuration files, logs (access.log with request, status,
# bytes, Range, when the answer ended and how long it took, and nginx's number of the
# connection; tinyproxy logs) and the file "ready" while the servers run. nginx serves ROOT over
# HTTPS on HTTPS, plain HTTP on HTTP (and ROOT again below /slow/ at 20 KB/s), HTTP without
# Range on NORANGE, HTTPS with the certificate of another name on WRONGNAME; tinyproxy forwards
# (CONNECT too) on PROXY, and asks for Basic credentials on AUTHPROXY. Writing the file "stop" (or MAX_SECONDS, default 300) ends them.
set -eu
state=$1 root=$2 https=$3 http=$4 norange=$5 wrongname=$6 proxy=$7 authproxy=$8 max=${9:-300}
mkdir -p "$state"
cd "$state"
rm -f ready stop
if [ ! -f ca.der ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 30 -subj "/CN=Quick setup test CA" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
    for name in localhost other; do
        if [ $name = localhost ]; then san="DNS:localhost,IP:127.0.0.1"; else san="DNS:other.example"; fi
        openssl req -newkey rsa:2048 -nodes -keyout $name.key -out $name.csr -subj "/CN=$name" 2>/dev/null
        printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\n' "$san" > $name.ext
        openssl x509 -req -in $name.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out $name.crt -days 30 \
            -extfile $name.ext 2>/dev/null
    done
    openssl x509 -in ca.crt -outform DER -out ca.der
fi
mkdir -p tmp
cat > nginx.conf <<CONF
worker_processes 1;
daemon off;
pid $state/nginx.pid;
error_log $state/nginx_error.log;
events { worker_connections 256; }
http {
    log_format transfer '\$request_method \$request_uri \$status \$body_bytes_sent range=\$http_range at=\$msec took=\$request_time conn=\$connection';
    access_log $state/access.log transfer;
    client_body_temp_path $state/tmp/body; proxy_temp_path $state/tmp/proxy; fastcgi_temp_path $state/tmp/fastcgi;
    uwsgi_temp_path $state/tmp/uwsgi; scgi_temp_path $state/tmp/scgi;
    default_type application/octet-stream;
    keepalive_timeout 30s;
    ssl_protocols TLSv1.2 TLSv1.3;
    server { listen 127.0.0.1:$https ssl; ssl_certificate $state/localhost.crt; ssl_certificate_key $state/localhost.key; root $root; }
    server { listen 127.0.0.1:$http; root $root; location /slow/ { alias $root/; limit_rate 20k; } }
    server { listen 127.0.0.1:$norange; root $root; max_ranges 0; }
    server { listen 127.0.0.1:$wrongname ssl; ssl_certificate $state/other.crt; ssl_certificate_key $state/other.key; root $root; }
}
CONF
for kind in open auth; do
    if [ $kind = open ]; then port=$proxy; else port=$authproxy; fi
    {
        echo "Port $port"; echo "Listen 127.0.0.1"; echo "Timeout 60"; echo "Allow 127.0.0.1"
        echo "ConnectPort $https"; echo "ConnectPort $wrongname"; echo "MaxClients 50"
        echo "LogFile \"$state/tinyproxy_$kind.log\""; echo "LogLevel Connect"; echo "PidFile \"$state/tinyproxy_$kind.pid\""
        [ $kind = auth ] && echo "BasicAuth tester secret"
    } > tinyproxy_$kind.conf
done
nginx -p "$state" -c "$state/nginx.conf" -e "$state/nginx_error.log" & nginx_pid=$!
tinyproxy -d -c tinyproxy_open.conf & open_pid=$!
tinyproxy -d -c tinyproxy_auth.conf & auth_pid=$!
stop_all() { kill $nginx_pid $open_pid $auth_pid 2>/dev/null || true; wait 2>/dev/null || true; rm -f "$state/ready"; }
trap stop_all EXIT INT TERM
# Ready once every port answers.
for i in $(seq 1 200); do
    up=0
    for p in $https $http $norange $wrongname $proxy $authproxy; do
        (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null && up=$((up + 1)) || true
    done
    [ $up -eq 6 ] && break
    sleep 0.05
done
echo ready > ready
waited=0
while [ ! -f stop ] && [ $waited -lt $((max * 10)) ]; do sleep 0.1; waited=$((waited + 1)); done
