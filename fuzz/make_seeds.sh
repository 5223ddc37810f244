#!/usr/bin/env bash
# Writes the checked-in seed corpora: the protocol's worked examples in each
# harness's input format (see the comment at the top of each harness).
# Rerun after changing a format; the fuzzers grow their own corpora from these.
set -euo pipefail
cd "$(dirname "$0")/corpus"

# seed <harness> <name> <hex bytes...>
seed() {
  local dir=$1 name=$2 escaped=""
  shift 2
  mkdir -p "$dir"
  for byte in $*; do escaped+="\\x$byte"; done
  printf "%b" "$escaped" >"$dir/$name"
}
# hex <count> <byte>: the byte repeated
rep() { local out=""; for ((i = 0; i < $1; i++)); do out+="$2 "; done; echo "$out"; }
# A 64-byte report: the given bytes, then zeros.
report() { local bytes=("$@"); echo "${bytes[*]} $(rep $((64 - ${#bytes[@]})) 00)"; }

# ---- bridge_reports: op addr reg len(2) mask value tries scaler-delay count answers...
# op: 0 write, 1 read, 2 register write, 3 register read, 4 firmware version,
#     5 wait for bit, 6 ISP sequence, 7 bus speed
# answer kinds: 0 genuine, 1 raw (+64 bytes), 2 write fails, 3 read fails,
#     4 no reply, 5 late reply, 6 report ID (+1), 7 status (+1), 8 unplug
b=bridge_reports
seed $b write-100-two-chunks       00 37 00 00 64 00 00 00 02 00
seed $b write-1024-seventeen       00 37 00 04 00 00 00 00 02 00
seed $b write-1025-refused         00 37 00 04 01 00 00 00 02 00
seed $b write-0-one-chunk          00 37 00 00 00 00 00 00 02 00
seed $b write-100-done-early       00 37 00 00 64 00 00 00 02 01 01 $(report 05 00)
seed $b write-last-chunk-more      00 37 00 00 0A 00 00 00 02 01 01 $(report 05 01)
seed $b write-status-2             00 37 00 00 06 00 00 00 02 01 07 02
seed $b write-status-3             00 37 00 00 06 00 00 00 02 01 07 03
seed $b write-status-25            00 37 00 00 06 00 00 00 02 01 07 25
seed $b write-no-reply             00 37 00 00 06 00 00 00 02 01 04
seed $b read-100-two-replies       01 37 00 00 64 00 00 00 02 00
seed $b read-254-five-replies      01 4A 00 00 FE 00 00 00 02 00
seed $b read-255-refused           01 37 00 00 FF 00 00 00 02 00
seed $b read-0                     01 37 00 00 00 00 00 00 02 01 01 $(report 06 00)
seed $b read-62-status-1           01 37 00 00 3E 00 00 00 02 01 01 $(report 06 01 $(rep 62 AB))
seed $b read-status-2-count-3      01 37 00 00 0A 00 00 00 02 01 01 $(report 06 02 03 AA BB CC)
seed $b read-status-2-count-lies   01 37 00 00 0A 00 00 00 02 01 01 $(report 06 02 FF $(rep 61 CD))
seed $b read-status-0-too-early    01 37 00 00 C8 00 00 00 02 01 01 $(report 06 00 $(rep 62 EE))
seed $b read-late-reply            01 37 00 00 06 00 00 00 02 01 05 01 37 00 00 06 00 00 00 02 00
seed $b fw-version-0210            04 00 00 00 00 00 00 00 02 01 01 $(report 01 02 10)
seed $b fw-version-wrong-id        04 00 00 00 00 00 00 00 02 01 01 $(report 05 02 10)
seed $b register-write-one         02 4A 62 00 01 00 06 00 02 00
seed $b register-write-1023        02 4A 00 03 FF 00 00 00 02 00
seed $b register-read-one          03 4A 62 00 01 00 00 00 02 00
seed $b register-read-write-fails  03 4A 62 00 01 00 00 00 02 01 07 03
seed $b register-read-256          03 4A 62 01 00 00 00 00 02 00
seed $b wait-mask-0                05 4A 6F 00 00 00 00 05 02 00
seed $b wait-tries-0               05 4A 6F 00 00 80 80 00 02 00
seed $b wait-unplugged             05 4A 6F 00 00 80 80 32 02 01 08
seed $b isp-enabled                06 00 00 00 00 00 00 00 02 00
seed $b isp-never                  06 00 00 00 00 00 00 00 08 00
seed $b isp-scaler-naks            06 00 00 00 00 00 00 00 07 00
seed $b bus-speed-fast             07 00 00 00 00 00 01 00 02 00

# ---- monitor_replies: level, then calls: call args(8) count replies...
# calls: 13 FactoryReset, 14 GetBrightness, 15 SetBrightness, 4 GetBacklightHours,
#        5 SetAssetTag, 0 GetAssetTag, 2 GetMonitorSerialNumber, 34+2 GetColorPreset,
#        47 GetCustomColor, 48 SetCustomColor, 77 reconnect
# reply kinds: 0 genuine, 1 raw (length n, n bytes, filler), 2 patched
#     (position, value; position bit 7 refreshes the checksum), 3 lying length (+1), 4 NAK
m=monitor_replies
args() { echo "$* $(rep $((8 - $#)) 00)"; }
seed $m set-brightness-50          04 0F $(args 32) 00
seed $m set-brightness-ack         04 0F $(args 32) 01 01 06 6E 83 02 00 30 8F 00
seed $m set-brightness-refused     04 0F $(args 32) 01 01 06 6E 83 02 01 30 8E 00
seed $m set-brightness-out-of-range 03 0F $(args 65) 00
seed $m get-brightness-32          04 0E $(args) 01 01 07 6E 84 02 00 30 32 BA 00
seed $m get-brightness-bad-then-good 04 0E $(args) 02 01 07 6E 84 02 00 30 32 BB 00 00
seed $m get-brightness-ten-echoes  04 0E $(args) 0A $(for i in 1 2 3 4 5 6 7 8 9 10; do echo 01 07 6E 84 02 00 31 32 BB 00; done)
seed $m get-brightness-two-bad-nak 04 0E $(args) 03 02 81 05 FF 02 81 05 FF 04
seed $m backlight-300              04 04 $(args) 01 01 08 6E 85 02 00 04 01 2C 90 00
seed $m set-asset-tag-ABCDEFGHIJ   04 05 $(args 0A 41 42 43 44 45 46 47) 00
seed $m get-asset-tag              04 00 $(args) 00
seed $m serial-number              04 02 $(args) 00
seed $m lying-length               04 0E $(args) 01 03 FF
seed $m short-ack-for-a-mask       04 24 $(args) 01 01 06 6E 83 02 00 48 F7 00
seed $m get-custom-color           04 2F $(args 00) 00
seed $m set-custom-color           04 30 $(args 02 0A 14 1E 28 32 3C) 00
seed $m factory-reset              04 0D $(args) 00
seed $m reconnect-then-get         04 4D $(args) 00 0E $(args) 00

# ---- log_text: level connected, then ops: op number(4) n1 n2 bytes(n1+n2)...
# ops: 0 Log("%s"), 1 Log(fixed format), 2 ToHexString, 3 _LOG, 4 SetAssetTag, 5 reopen
l=log_text
text() { local s=$1 out=""; for ((i = 0; i < ${#s}; i++)); do out+=$(printf '%02X ' "'${s:i:1}"); done; echo "$out"; }
t="ZQ_API:SetDebugLevel(3)-SUCCESS"
seed $l log-debug-line             03 00 00 00 00 00 03 $(printf %02X ${#t}) 00 $(text "$t")
seed $l log-level-0-shows-off      02 00 00 00 00 00 00 02 00 41 42
seed $l log-trace-dropped-at-debug 03 00 00 00 00 00 04 02 00 41 42
seed $l log-negative-level         04 00 00 FF FF FF FF 02 00 41 42
seed $l log-long-message           04 00 00 00 00 00 04 FF 20 $(rep 287 58)
seed $l dump-51-0A                 00 00 02 00 00 00 02 02 00 51 0A
seed $l dump-33                    00 00 02 00 00 00 21 21 00 $(rep 33 5A)
seed $l dump-34                    00 00 02 00 00 00 22 22 00 $(rep 34 5A)
seed $l dump-negative              00 00 02 FF FF FF F0 00 00
seed $l dump-huge-count            00 00 02 7F FF FF FF 10 00 $(rep 16 A5)
seed $l raw-line                   00 00 03 00 00 00 00 05 00 $(text "hello")
seed $l asset-tag-connected        03 01 04 00 00 00 00 0A 00 $(text "ABCDEFGHIJ")
seed $l asset-tag-short            04 01 04 00 00 00 00 03 00 $(text "ABC")
seed $l asset-tag-record           03 01 04 00 00 00 01 0A 00 $(text "ASSET-0001")
seed $l asset-tag-not-connected    03 00 04 00 00 00 00 0A 00 $(text "ABCDEFGHIJ")
seed $l reopen                     03 00 05 00 00 00 00 00 00 00 00 00 00 03 02 00 41 42
seed $l level-out-of-range         05 00 00 00 00 00 01 02 00 41 42
