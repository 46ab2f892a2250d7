#!/usr/bin/env bash
# Scan throughput against `cat IMAGE > /dev/null`, measured in the same run, on three images
# that mkimage builds from the test corpus (tests/data/mail):
#   empty   about 90% zero sectors; messages stored whole, at and inside sector starts
#   mixed   about a third each of zero sectors, random noise and stored messages (whole,
#           inside sectors, cut in pieces, small .dbx and .box stores)
#   dense   one .dbx-style store holding messages back to back
# Then the peak resident size of a scan that finds 100,000 messages.
#
# usage: bench/throughput.sh [SIZE_MIB]        (default 1024: 1 GiB images)
#
# Needs the release build of mkimage and throughput:
#   cmake --preset release && cmake --build --preset release --target mkimage throughput
# The images go to $KORVANE_BENCH_IMAGES (default build/release/bench-images) and are kept
# for the next run; delete them to rebuild. Each takes SIZE_MIB of disk.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD:-$root/build/release}
size_mib=${1:-1024}
dir=${KORVANE_BENCH_IMAGES:-$build/bench-images}
mail=$root/tests/data/mail
mkimage=$build/tools/mkimage
throughput=$build/bench/throughput
for tool in "$mkimage" "$throughput"; do
  [ -x "$tool" ] || { echo "missing $tool: build the release preset first" >&2; exit 1; }
done
mkdir -p "$dir"

# Messages per MiB of image for each kind, from the corpus's sizes and the gaps below.
declare -A per_mib=([empty]=31 [mixed]=113 [dense]=286)

# layout KIND COUNT: the layout of an image of KIND holding COUNT messages of the corpus.
layout() {
  local kind=$1 count=$2
  ls "$mail"/*.eml | awk -v kind="$kind" -v count="$count" '
    { files[n++] = $0 }
    END {
      print "seed 2013"
      if (kind == "empty") { print "filler zero"; print "gap 29 87" }
      if (kind == "memory") { print "filler zero"; print "gap 1 3" }
      if (kind == "mixed") { print "filler mixed"; print "gap 4 20" }
      if (kind == "dense") { print "scatter 0"; printf "dbx" }
      split("aligned unaligned fragmented dbx box", mixed, " ")
      group = kind == "mixed" ? 4 : 10
      for (i = 0; i < count; ++i) {
        if (kind != "dense" && i % group == 0) {
          if (i) printf "\n"
          if (kind != "mixed") printf (i / group) % 2 ? "unaligned" : "aligned"
          else printf "%s", mixed[(i / group) % 5 + 1]
        }
        printf " %s", files[i % n]
      }
      printf "\n"
    }'
}

# settle FROM TO: FROM written again front to back as TO. mkimage writes an image piece by
# piece in layout order, which leaves it in the page cache in small pieces that read (for
# `cat` and the scan alike) up to half as fast as a file written in one go, as an image taken
# from a disk is; written again, every image reads the same way.
settle() {
  cat "$1" > "$2.seq"
  rm "$1"
  mv "$2.seq" "$2"
}

# image KIND: builds the image of KIND unless it is there already, cut or padded to size.
image() {
  local kind=$1 img=$dir/$1-${size_mib}m.img
  if [ ! -s "$img" ]; then
    local count=$((per_mib[$kind] * size_mib * 103 / 100))
    layout "$kind" "$count" > "$dir/$kind.layout"
    echo "building $img ($count messages)" >&2
    "$mkimage" -f "$dir/$kind.layout" -o "$img.tmp" -t "$dir/$kind.json" >&2
    truncate -s "${size_mib}M" "$img.tmp"
    settle "$img.tmp" "$img"
  fi
  echo "$img"
}

# The memory image: 102,100 messages stored whole, of which all but those without a
# "Received: " line (1 in 50 of the corpus) are found: just over 100,000 records.
memory_image() {
  local img=$dir/memory-100k.img
  if [ ! -s "$img" ]; then
    layout memory 102100 > "$dir/memory.layout"
    echo "building $img (102100 messages)" >&2
    "$mkimage" -f "$dir/memory.layout" -o "$img.tmp" -t "$dir/memory.json" >&2
    settle "$img.tmp" "$img"
  fi
  echo "$img"
}

empty=$(image empty)
mixed=$(image mixed)
dense=$(image dense)
memory=$(memory_image)

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')," \
     "$(free -g | awk '/^Mem:/ {print $2}') GiB RAM"
echo
"$throughput" --runs 5 "$empty" "$mixed" "$dense"
echo
"$throughput" --memory "$memory"
