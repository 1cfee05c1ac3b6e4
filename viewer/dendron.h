// Tree nodes of the viewer's dendrograms: the abstract node Dendron, the leaf Taxon (one lane of
// the match file) and the inner node Genus (two joined clusters); the fixed-size pool that owns
// them; and the three depth-first walks over a tree.
//
// Nodes are never freed one by one: a pool constructs them in place and destroys all of them when
// it is released. A Genus refers to its children without owning them.
#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace velto {

// A breach of one of the tree model's invariants (a full pool, a distance asked of an inner
// node). No input file can cause it: every pool is sized before use.
class VeltoError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

class Dendron {
 public:
  Dendron() = default;
  Dendron(const Dendron&) = delete;
  Dendron& operator=(const Dendron&) = delete;
  virtual ~Dendron() = default;

  virtual const std::string& Label() const = 0;
  // Number of leaves in the subtree.
  virtual unsigned Size() const = 0;
  // First and second child; null for a leaf.
  virtual Dendron* Left() = 0;
  virtual const Dendron* Left() const = 0;
  virtual Dendron* Right() = 0;
  virtual const Dendron* Right() const = 0;
  // The child, or the node itself for a leaf.
  virtual Dendron* LeftOrSelf() = 0;
  virtual const Dendron* LeftOrSelf() const = 0;
  virtual Dendron* RightOrSelf() = 0;
  virtual const Dendron* RightOrSelf() const = 0;
  virtual bool IsTaxon() const { return false; }
  // Exchanges the two children.
  virtual void SwapChildren() = 0;
  // Reverses the leaf order of the whole subtree.
  virtual void Mirror() = 0;
};

class Taxon : public Dendron {
 public:
  explicit Taxon(std::string label) : label_(std::move(label)) {}

  const std::string& Label() const override { return label_; }
  unsigned Size() const override { return 1; }
  Dendron* Left() override { return nullptr; }
  const Dendron* Left() const override { return nullptr; }
  Dendron* Right() override { return nullptr; }
  const Dendron* Right() const override { return nullptr; }
  Dendron* LeftOrSelf() override { return this; }
  const Dendron* LeftOrSelf() const override { return this; }
  Dendron* RightOrSelf() override { return this; }
  const Dendron* RightOrSelf() const override { return this; }
  bool IsTaxon() const override { return true; }
  void SwapChildren() override {}
  void Mirror() override {}

 private:
  std::string label_;
};

class Genus : public Dendron {
 public:
  Genus(Dendron& first, Dendron& second)
      : left_(&first), right_(&second), size_(first.Size() + second.Size()) {}

  const std::string& Label() const override;
  unsigned Size() const override { return size_; }
  Dendron* Left() override { return left_; }
  const Dendron* Left() const override { return left_; }
  Dendron* Right() override { return right_; }
  const Dendron* Right() const override { return right_; }
  Dendron* LeftOrSelf() override { return left_; }
  const Dendron* LeftOrSelf() const override { return left_; }
  Dendron* RightOrSelf() override { return right_; }
  const Dendron* RightOrSelf() const override { return right_; }
  void SwapChildren() override { std::swap(left_, right_); }
  void Mirror() override;

 private:
  Dendron* left_;
  Dendron* right_;
  unsigned size_;
};

// One block with room for a fixed number of T, constructed in place in order. Object k of the
// pool is the k-th one constructed, so a Taxon's number is its position in the pool.
template <class T>
class BlockAllocator {
 public:
  BlockAllocator() = default;
  explicit BlockAllocator(std::size_t count) { Resize(count); }
  BlockAllocator(const BlockAllocator&) = delete;
  BlockAllocator& operator=(const BlockAllocator&) = delete;
  ~BlockAllocator() { Release(); }

  // Drops every object and makes room for exactly `count` (none for 0). Throws std::bad_alloc
  // when the block cannot be had; the pool is then empty and without room.
  void Resize(std::size_t count) {
    Release();
    if (count == 0) return;
    begin_ = static_cast<T*>(::operator new(count * sizeof(T), std::align_val_t(alignof(T))));
    next_ = begin_;
    end_ = begin_ + count;
  }

  // Destroys every constructed object and frees the block.
  void Release() {
    if (!begin_) return;
    for (T* p = begin_; p != next_; ++p) p->~T();
    ::operator delete(begin_, std::align_val_t(alignof(T)));
    begin_ = next_ = end_ = nullptr;
  }

  // Constructs the next object from `args` and returns it.
  template <class... Args>
  T& operator()(Args&&... args) {
    if (!begin_ || next_ == end_)
      throw VeltoError("BlockAllocator::operator(): reached end of block");
    T* p = new (next_) T(std::forward<Args>(args)...);
    ++next_;
    return *p;
  }

  std::size_t size() const { return static_cast<std::size_t>(next_ - begin_); }
  std::size_t capacity() const { return static_cast<std::size_t>(end_ - begin_); }
  bool empty() const { return next_ == begin_; }
  T* begin() { return begin_; }
  T* end() { return next_; }
  const T* begin() const { return begin_; }
  const T* end() const { return next_; }
  T& operator[](std::size_t k) { return begin_[k]; }
  const T& operator[](std::size_t k) const { return begin_[k]; }
  // Position of `p` in the pool, or size() when it is not one of the pool's objects.
  std::size_t IndexOf(const T* p) const {
    if (!begin_ || p < begin_ || p >= next_) return size();
    return static_cast<std::size_t>(p - begin_);
  }

 private:
  T* begin_ = nullptr;
  T* next_ = nullptr;
  T* end_ = nullptr;
};

namespace TreeIter {
enum Order { Prefix, Infix, Postfix };
}

// Forward walk over a tree in one of the three depth-first orders. A stack of (node, visited)
// pairs replaces recursion, so deep trees (a chain of thousands of joins) do not exhaust the
// call stack. Every order meets the leaves from left to right.
template <class Node, TreeIter::Order order>
class BasicTreeIterator {
 public:
  using value_type = Node;
  using reference = Node&;
  using pointer = Node*;
  using difference_type = std::ptrdiff_t;
  using iterator_category = std::forward_iterator_tag;

  BasicTreeIterator() = default;
  explicit BasicTreeIterator(Node* root) {
    if (root) {
      stack_.push_back({root, false});
      Settle();
    }
  }

  Node& operator*() const { return *stack_.back().first; }
  Node* operator->() const { return stack_.back().first; }
  BasicTreeIterator& operator++() {
    Advance();
    return *this;
  }
  BasicTreeIterator operator++(int) {
    BasicTreeIterator old = *this;
    Advance();
    return old;
  }
  bool operator==(const BasicTreeIterator& o) const {
    if (stack_.empty() || o.stack_.empty()) return stack_.empty() == o.stack_.empty();
    return stack_.back().first == o.stack_.back().first;
  }

 private:
  // Brings the top of the stack to the next node to deliver. A pair's flag says that the node's
  // own turn has come (prefix: at once; infix: after its first child; postfix: after both).
  void Settle() {
    while (!stack_.empty()) {
      auto& [node, visited] = stack_.back();
      if (visited || node->IsTaxon()) return;
      Node* first = node->Left();
      Node* second = node->Right();
      if constexpr (order == TreeIter::Prefix) {
        visited = true;
        return;
      } else if constexpr (order == TreeIter::Infix) {
        // Deliver the node after its first subtree; its second subtree follows in Advance.
        visited = true;
        stack_.push_back({first, false});
        (void)second;
      } else {
        visited = true;
        stack_.push_back({second, false});
        stack_.push_back({first, false});
      }
    }
  }

  void Advance() {
    if (stack_.empty()) return;
    auto [node, visited] = stack_.back();
    stack_.pop_back();
    if constexpr (order == TreeIter::Prefix) {
      if (!node->IsTaxon()) {
        stack_.push_back({node->Right(), false});
        stack_.push_back({node->Left(), false});
      }
    } else if constexpr (order == TreeIter::Infix) {
      if (!node->IsTaxon()) stack_.push_back({node->Right(), false});
    }
    (void)visited;
    Settle();
  }

  std::vector<std::pair<Node*, bool>> stack_;
};

template <TreeIter::Order order>
using treeIterator = BasicTreeIterator<Dendron, order>;
template <TreeIter::Order order>
using const_treeIterator = BasicTreeIterator<const Dendron, order>;

// A walk over the subtree of `root` usable in a range-for.
template <TreeIter::Order order, class Node>
struct TreeWalk {
  Node* root;
  BasicTreeIterator<Node, order> begin() const { return BasicTreeIterator<Node, order>(root); }
  BasicTreeIterator<Node, order> end() const { return {}; }
};

template <TreeIter::Order order>
TreeWalk<order, Dendron> Walk(Dendron* root) {
  return {root};
}
template <TreeIter::Order order>
TreeWalk<order, const Dendron> Walk(const Dendron* root) {
  return {root};
}

}  // namespace velto
