#include "docview/document.h"

#include <algorithm>

namespace docview {

CDocument::~CDocument() {
  for (CView* v : views_) v->document_ = nullptr;
}

void CDocument::SetPathName(const std::string& path) {
  path_ = path;
  std::size_t slash = path.find_last_of('/');
  title_ = slash == std::string::npos ? path : path.substr(slash + 1);
}

bool CDocument::OnNewDocument() {
  DeleteContents();
  path_.clear();
  title_ = "Untitled";
  SetModifiedFlag(false);
  return true;
}

bool CDocument::OnOpenDocument(const std::string&) {
  DeleteContents();
  SetModifiedFlag(false);
  return true;
}

void CDocument::AddView(CView* view) {
  if (!view || view->document_ == this) return;
  if (view->document_) view->document_->RemoveView(view);
  views_.push_back(view);
  view->document_ = this;
}

void CDocument::RemoveView(CView* view) {
  auto it = std::find(views_.begin(), views_.end(), view);
  if (it == views_.end()) return;
  views_.erase(it);
  view->document_ = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, long hint, void* object) {
  // A copy: a view may leave the document while it is told.
  std::vector<CView*> views = views_;
  for (CView* v : views)
    if (v != sender && v->document_ == this) v->OnUpdate(sender, hint, object);
}

}  // namespace docview
