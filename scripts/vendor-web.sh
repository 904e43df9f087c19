#!/usr/bin/env bash
# Makes the phone page's vendored cryptography: one minified ES module per
# need, from the audited @noble libraries on the npm registry, and checks each
# against its RFC test vectors. Run by hand when a version changes; nothing
# at build, package or test time uses npm. Writes web/vendor/*.min.js.
set -euo pipefail
cd "$(dirname "$0")/.."
NOBLE=2.4.0 ESBUILD=0.25.12
out="$PWD/web/vendor"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
npm init -y >/dev/null
npm install --no-audit --no-fund --save-exact "@noble/hashes@$NOBLE" "@noble/ciphers@$NOBLE" \
  "@noble/curves@$NOBLE" "esbuild@$ESBUILD" >/dev/null

# need -> the exports the page uses: what every connection needs in one file
# (one request less on the phone), X25519 apart (pairing without a camera only)
declare -A entries=(
  [seal]="export { sha256 } from '@noble/hashes/sha2.js'; export { hmac } from '@noble/hashes/hmac.js'; export { hkdf } from '@noble/hashes/hkdf.js'; export { chacha20poly1305 } from '@noble/ciphers/chacha.js';"
  [x25519]="export { x25519 } from '@noble/curves/ed25519.js';"
)
declare -A library=([seal]="hashes and @noble/ciphers" [x25519]=curves)
for need in "${!entries[@]}"; do
  echo "${entries[$need]}" >"$need.entry.js"
  banner="/*! @noble/${library[$need]} $NOBLE, MIT License (the copyright notices are in"
  banner+=" web/vendor/README.md); bundled by scripts/vendor-web.sh */"
  npx esbuild "$need.entry.js" --bundle --minify --format=esm --legal-comments=none \
    --banner:js="$banner" --outfile="$out/$need.min.js" --log-level=warning
done

# RFC 4231 case 2, RFC 8439 2.8.2, RFC 7748 5.2: the bundles compute what they should.
cat >check.mjs <<'JS'
const dir = process.argv[2];
const { sha256, hmac, hkdf, chacha20poly1305 } = await import(`${dir}/seal.min.js`);
const { x25519 } = await import(`${dir}/x25519.min.js`);
const hex = (b) => Buffer.from(b).toString("hex");
const bytes = (h) => Uint8Array.from(Buffer.from(h, "hex"));
const te = new TextEncoder();
const check = (what, got, want) => { if (got !== want) throw new Error(`${what}: ${got}`); };
check("hmac-sha256", hex(hmac(sha256, te.encode("Jefe"), te.encode("what do ya want for nothing?"))),
      "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
check("hkdf length", hkdf(sha256, bytes("00"), undefined, undefined, 42).length.toString(), "42");
const key = bytes("808182838485868788898a8b8c8d8e8f909192939495969798999a9b9c9d9e9f");
const nonce = bytes("070000004041424344454647"), aad = bytes("50515253c0c1c2c3c4c5c6c7");
const plain = te.encode("Ladies and Gentlemen of the class of '99: If I could offer you only one tip for the future, sunscreen would be it.");
const sealed = chacha20poly1305(key, nonce, aad).encrypt(plain);
check("aead tag", hex(sealed.slice(-16)), "1ae10b594f09e26a7e902ecbd0600691");
check("aead open", new TextDecoder().decode(chacha20poly1305(key, nonce, aad).decrypt(sealed)),
      new TextDecoder().decode(plain));
check("x25519", hex(x25519.getSharedSecret(
        bytes("77076d0a7318a57d3c16c17251b26645df4c2f87ebc0992ab177fba51db92c2a"),
        bytes("de9edb7d7b7dc1b4d35b61c2ece435373f8343c85b78674dadfc7e146f882b4f"))),
      "4a5d9d5ba4ce2de1728e3bf480350f25e07e21c947d19e3376f09b3c1e161742");
console.log("test vectors: ok");
JS
node check.mjs "$out"
cd "$out" && sha256sum ./*.min.js
