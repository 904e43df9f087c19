#!/bin/sh
# What a terminal's program receives, one line each into $1: every line read,
# and INT for every interrupt.
trap 'echo INT >> "$1"' INT
while IFS= read -r line || [ -n "$line" ]; do printf '%s\n' "$line" >> "$1"; done
