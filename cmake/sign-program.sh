#!/bin/sh
# Signs a program in place with a certificate of this build, made here the first time it is needed
# (no key is kept in the sources): the test certificate the programs, the window tests and the
# updater stand-in are signed with, so that the update check finds them signed alike.
# usage: sign-program.sh <certificate folder> <program.exe> [<copy to sign> <subject>]
#   With a copy and a subject, signs a copy with a certificate of that subject instead.
set -eu
folder=$1
program=$2
mkdir -p "$folder"
certificate() {  # <name> <subject>
    (
        flock 9
        if [ ! -f "$folder/$1.pem" ]; then
            openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "$2" \
                -keyout "$folder/$1.key" -out "$folder/$1.pem" >/dev/null 2>&1
        fi
    ) 9>"$folder/.lock"
}
sign() {  # <name> <input> <output>
    rm -f "$3.signing"
    osslsigncode sign -certs "$folder/$1.pem" -key "$folder/$1.key" -h sha256 -in "$2" -out "$3.signing" >/dev/null
    mv -f "$3.signing" "$3"
}
if [ $# -ge 4 ]; then
    certificate other "$4"
    sign other "$program" "$3"
else
    certificate project "/C=CN/O=Tarnwell Test/CN=Tarnwell Test Signing"
    sign project "$program" "$program"
fi
