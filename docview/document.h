// Documents and views of the framework, to the extent the viewer's document needs them: the
// open and delete-contents hooks, the modified flag and the update of the document's views.
// A view registers with one document at a time; the document does not own its views.
#pragma once

#include <string>
#include <vector>

namespace docview {

class CDocument;

class CView {
 public:
  CView() = default;
  CView(const CView&) = delete;
  CView& operator=(const CView&) = delete;
  virtual ~CView();

  CDocument* GetDocument() const { return document_; }

  // Told by the document that it changed; `sender` is the view that caused the change (null for
  // the document itself), `hint` and `object` say what changed (0 and null: everything).
  virtual void OnUpdate(CView* /*sender*/, long /*hint*/, void* /*object*/) {}

 private:
  friend class CDocument;
  CDocument* document_ = nullptr;
};

class CDocument {
 public:
  CDocument() = default;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;
  virtual ~CDocument();

  // Reads the document from `path`; true on success. The base empties the document and
  // succeeds.
  virtual bool OnOpenDocument(const std::string& path);
  // Drops everything the document holds (before a read, on close and on replacement).
  virtual void DeleteContents() {}

  virtual bool IsModified() const { return modified_; }
  virtual void SetModifiedFlag(bool modified = true) { modified_ = modified; }

  const std::string& GetPathName() const { return path_; }
  void SetPathName(const std::string& path) { path_ = path; }

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& Views() const { return views_; }
  // Calls OnUpdate of every view but `sender`.
  void UpdateAllViews(CView* sender, long hint = 0, void* object = nullptr);

 private:
  bool modified_ = false;
  std::string path_;
  std::vector<CView*> views_;
};

}  // namespace docview
