// Large and adversarial instrument definition files for the benchmarks. The
// same shape and amount always give the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

// Receives the file in pieces of about a megabyte.
using ChunkSink = std::function<void(std::string_view)>;

// Shapes (the amount is a size in bytes, or a count where the shape says so):
//   realistic BYTES      many instruments, each with four banks of 128 patches,
//                        their patch lists, comments and CR LF line ends
//   distinct-banks N     N banks with distinct patch-list names and N headers
//   one-list N           N banks that all name one patch list of 128 patches
//   long-lines BYTES     lines of 64 KiB, each read as many 299-byte lines
//   all-cr BYTES         the realistic shape with a lone CR ending every line
//   instruments BYTES    families of patch lists, each variation built on the
//                        one before it, and two instruments per family
//   instrument-banks N   one instrument whose N banks all name one list of
//                        128 patches
//   based-on-chain N     a list of 128 patches under a chain of N lists, each
//                        built on the one before, and an instrument naming the last
//   chain-one-program N  N lists, each built on the next and naming program 0,
//                        and an instrument whose banks name every list
//   chain-growing N      the same, list i naming program i: it holds N - i
//   colliding-names N    N banks whose lists' names all fall into one place of
//                        the unseeded FNV-1a hash once used to index them
// False for an unknown shape.
bool GenerateInstrumentFile(std::string_view shape, std::uint64_t amount, const ChunkSink& sink);
