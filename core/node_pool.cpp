#include "node_pool.h"

#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "instrument_definition.h"

namespace {

// Large enough that the general heap hands each block out on its own pages.
constexpr std::size_t kBlockBytes = 2 * 1024 * 1024;

#ifdef __linux__
// A block aligned to its size, so that Linux can back it with one huge page:
// a large instrument keeps hundreds of megabytes of nodes, and faulting them
// in by 4 KiB pages took longer than the whole rest of a conversion.
void* NewBlock() {
  void* block = std::aligned_alloc(kBlockBytes, kBlockBytes);
  if (block == nullptr) throw std::bad_alloc();
  ::madvise(block, kBlockBytes, MADV_HUGEPAGE);  // a hint; refused, it changes nothing
  return block;
}
void FreeBlock(void* block) noexcept {
  std::free(block);
}
#else
void* NewBlock() {
  return ::operator new(kBlockBytes);
}
void FreeBlock(void* block) noexcept {
  ::operator delete(block);
}
#endif

// Holds the pool's spin lock for one scope.
class PoolLock {
 public:
  explicit PoolLock(std::atomic_flag& busy) : busy_(busy) {
    while (busy_.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~PoolLock() { busy_.clear(std::memory_order_release); }
  PoolLock(const PoolLock&) = delete;
  PoolLock& operator=(const PoolLock&) = delete;

 private:
  std::atomic_flag& busy_;
};

// Every node is aligned as operator new aligns its memory.
constexpr std::size_t RoundUpToAlignment(std::size_t size) {
  return (size + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
         alignof(std::max_align_t);
}

}  // namespace

NodePool::NodePool(std::size_t nodeSize) : nodeSize_(RoundUpToAlignment(nodeSize)) {}

NodePool::~NodePool() {
  ReleaseAllBlocks();
}

void* NodePool::Allocate() {
  PoolLock lock(busy_);
  return AllocateLocked();
}

void* NodePool::AllocateLocked() {
  if (freeList_ != nullptr) {
    FreeNode* node = freeList_;
    freeList_ = node->next;
    ++liveNodes_;
    return node;
  }
  if (static_cast<std::size_t>(unusedEnd_ - unused_) < nodeSize_) {
    // Room for the block's address first: a failure then changes nothing.
    if (blocks_.size() == blocks_.capacity()) blocks_.reserve(2 * blocks_.size() + 16);
    unused_ = static_cast<char*>(NewBlock());
    unusedEnd_ = unused_ + kBlockBytes;
    blocks_.push_back(unused_);
  }
  void* node = unused_;
  unused_ += nodeSize_;
  ++liveNodes_;
  return node;
}

void NodePool::Release(void* node) noexcept {
  if (node == nullptr) return;
  PoolLock lock(busy_);
  if (--liveNodes_ == 0) {
    ReleaseAllBlocks();
    return;
  }
  freeList_ = new (node) FreeNode{freeList_};
}

void NodePool::ReleaseAllBlocks() noexcept {
  for (void* block : blocks_) FreeBlock(block);
  blocks_.clear();
  blocks_.shrink_to_fit();
  freeList_ = nullptr;
  unused_ = unusedEnd_ = nullptr;
}

namespace {

// A pool that is never destroyed: an instrument that lives until the program
// ends may still give its nodes back after every static has been destroyed.
template <typename Node>
NodePool& LastingPool() {
  alignas(NodePool) static unsigned char storage[sizeof(NodePool)];
  static NodePool* pool = new (storage) NodePool(sizeof(Node));
  return *pool;
}

}  // namespace

NodePool& PatchNodePool() {
  return LastingPool<PatchEntry>();
}

NodePool& BankNodePool() {
  return LastingPool<PatchBank>();
}
