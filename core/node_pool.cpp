#include "node_pool.h"

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// Blocks double from the first size to the largest, so that a small
// instrument takes little memory and a large one few blocks.
constexpr std::size_t kFirstBlockBytes = 16 * 1024;
constexpr std::size_t kLargestBlockBytes = 2 * 1024 * 1024;

#ifdef __linux__
// A largest block is aligned to its size, so that Linux can back it with one
// huge page: a large instrument keeps hundreds of megabytes of nodes, and
// faulting them in by 4 KiB pages took longer than the whole rest of a
// conversion.
void* NewBlock(std::size_t bytes) {
  if (bytes < kLargestBlockBytes) return ::operator new(bytes);
  void* block = std::aligned_alloc(kLargestBlockBytes, bytes);
  if (block == nullptr) throw std::bad_alloc();
  ::madvise(block, bytes, MADV_HUGEPAGE);  // a hint; refused, it changes nothing
  return block;
}
void FreeBlock(void* block, std::size_t bytes) noexcept {
  if (bytes < kLargestBlockBytes) {
    ::operator delete(block);
  } else {
    std::free(block);
  }
}
#else
void* NewBlock(std::size_t bytes) {
  return ::operator new(bytes);
}
void FreeBlock(void* block, std::size_t /*bytes*/) noexcept {
  ::operator delete(block);
}
#endif

std::size_t BlockBytes(std::size_t blockIndex) {
  std::size_t bytes = kFirstBlockBytes;
  for (std::size_t i = 0; i < blockIndex && bytes < kLargestBlockBytes; ++i) bytes *= 2;
  return bytes;
}

constexpr std::size_t RoundUpToAlignment(std::size_t size) {
  return (size + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
         alignof(std::max_align_t);
}

}  // namespace

NodePool::NodePool(std::size_t nodeSize) : nodeSize_(RoundUpToAlignment(nodeSize)) {}

void NodePool::AddBlock() {
  // Room for the block's address first: a failure then changes nothing.
  if (blocks_.size() == blocks_.capacity()) blocks_.reserve(2 * blocks_.size() + 16);
  const std::size_t bytes = BlockBytes(blocks_.size());
  unused_ = static_cast<char*>(NewBlock(bytes));
  unusedEnd_ = unused_ + bytes;
  blocks_.push_back(unused_);
}

void NodePool::ReleaseAll() noexcept {
  for (std::size_t i = 0; i < blocks_.size(); ++i) FreeBlock(blocks_[i], BlockBytes(i));
  blocks_.clear();
  unused_ = unusedEnd_ = nullptr;
}
