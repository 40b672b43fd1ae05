#!/usr/bin/env bash
# package_build_test.sh BUILD SIGNER
#   Makes the packages of BUILD as an integrator with a certificate of their own does: a throw-away
#   self-signed code-signing certificate, made now in SIGNER (cert.pem for the checks afterwards),
#   signs the shipped programs.
set -euo pipefail
build=$1 signer=$2
rm -rf "$signer"
mkdir -p "$signer"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=ZMTCheck package test" \
  -addext extendedKeyUsage=codeSigning -keyout "$signer/key.pem" -out "$signer/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$signer/key.pem" -in "$signer/cert.pem" -out "$signer/signer.p12" \
  -passout pass:throw-away
ZMT_SIGN_PKCS12=$signer/signer.p12 ZMT_SIGN_PASSWORD=throw-away \
  cmake --build "$build" --target package
