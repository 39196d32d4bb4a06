// Memory for the nodes of an instrument: every patch and bank is still a node
// of its own, made by new and freed by delete, but the bytes come from blocks
// of 2 MiB recycled through a free list. The general heap spends about 400
// instructions on making and freeing each node, and a large file holds
// millions of patches: that was a third of a whole conversion's work.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

class NodePool {
 public:
  explicit NodePool(std::size_t nodeSize);
  ~NodePool();  // frees the blocks, whatever still lives in them
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;

  // One node's memory; throws std::bad_alloc like operator new.
  void* Allocate();
  // Takes a node back. When the last node is back, the blocks are freed, so
  // an instrument's memory returns as soon as it is cleared.
  void Release(void* node) noexcept;

 private:
  struct FreeNode {
    FreeNode* next;
  };
  void* AllocateLocked();
  void ReleaseAllBlocks() noexcept;

  const std::size_t nodeSize_;
  std::vector<void*> blocks_;
  FreeNode* freeList_ = nullptr;
  char* unused_ = nullptr;  // the part of the newest block not handed out yet
  char* unusedEnd_ = nullptr;
  std::size_t liveNodes_ = 0;
  // One thread converts at a time, but nothing breaks if another does.
  std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
};

// The pools of PatchEntry and PatchBank nodes.
NodePool& PatchNodePool();
NodePool& BankNodePool();
