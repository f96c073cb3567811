#!/usr/bin/env bash
# Signs a kernel driver with a test certificate made here, at build time: a
# self-signed code-signing certificate for test-signing mode only. The key
# stays in the build folder; nothing secret is kept in the sources.
# usage: sign_driver.sh <key dir> <unsigned .sys> <signed .sys>
set -euo pipefail
keys=$1 unsigned=$2 signed=$3
mkdir -p "$keys"
if [[ ! -f $keys/test_signing.crt || ! -f $keys/test_signing.key ]]; then
  openssl req -x509 -newkey rsa:2048 -sha256 -days 3650 -nodes \
    -subj "/CN=KAV cash drawer test signing (not for release)" \
    -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" \
    -keyout "$keys/test_signing.key" -out "$keys/test_signing.crt" 2>/dev/null
  # The certificate alone, in the form Windows' certificate tools import.
  openssl x509 -in "$keys/test_signing.crt" -outform DER -out "$keys/KAV_test_signing.cer"
fi
rm -f "$signed"
osslsigncode sign -certs "$keys/test_signing.crt" -key "$keys/test_signing.key" \
  -h sha256 -n "KAV_cash.sys" -in "$unsigned" -out "$signed" >/dev/null
