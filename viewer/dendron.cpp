// Inner-node operations of the tree model.
#include "viewer/dendron.h"

namespace velto {

const std::string& Genus::Label() const {
  static const std::string empty;
  return empty;
}

// Exchanging the children of every inner node of the subtree reverses its leaf order. An explicit
// stack keeps deep (chain-shaped) trees off the call stack.
void Genus::Mirror() {
  std::vector<Dendron*> todo{this};
  while (!todo.empty()) {
    Dendron* node = todo.back();
    todo.pop_back();
    if (node->IsTaxon()) continue;
    node->SwapChildren();
    todo.push_back(node->Left());
    todo.push_back(node->Right());
  }
}

}  // namespace velto
