// Memory for the nodes of one instrument: every patch and bank is a node of
// its own, but their bytes come from large blocks that the instrument owns
// and frees all at once. A large file holds millions of patches, and making
// and freeing each on the general heap costs more than reading its line
// (figures in bench/RESULTS.md).
#pragma once

#include <cstddef>
#include <new>
#include <vector>

class NodePool {
 public:
  explicit NodePool(std::size_t nodeSize);
  ~NodePool() { ReleaseAll(); }
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;

  // Room for one node, aligned as operator new aligns; throws std::bad_alloc
  // when memory runs out.
  void* Allocate() {
    if (static_cast<std::size_t>(unusedEnd_ - unused_) < nodeSize_) AddBlock();
    void* node = unused_;
    unused_ += nodeSize_;
    return node;
  }

  // Frees every block, and with them every node made so far.
  void ReleaseAll() noexcept;

 private:
  void AddBlock();

  const std::size_t nodeSize_;
  std::vector<void*> blocks_;
  char* unused_ = nullptr;  // the part of the newest block not handed out yet
  char* unusedEnd_ = nullptr;
};
