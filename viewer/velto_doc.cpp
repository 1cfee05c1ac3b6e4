#include "viewer/velto_doc.h"

#include "docview/message_box.h"
#include "viewer/matrix_dialog.h"
#include "viewer/resource.h"
#include "viewer/match_file.h"
#include "viewer/triangle.h"

namespace velto {

namespace {
// The distance of a taxon to itself; every accessor hands out this one constant.
const float kSelfDistance = 0.0f;
}  // namespace

CVeltoDoc::~CVeltoDoc() {
  DeleteContents();
}

bool CVeltoDoc::OnOpenDocument(const std::string& path) {
  SetModifiedFlag(true);
  DeleteContents();
  ReadResult result = ReadMatchFile(*this, path);
  if (!result.ok) {
    DeleteContents();
    UpdateAllViews(nullptr, 0);
    docview::AfxMessageBox(result.message, docview::MB_OK, 0);
    return false;
  }
  SetModifiedFlag(false);
  return true;
}

bool CVeltoDoc::OnCommand(unsigned id) {
  if (id != ID_GRAPH_MATRIX) return false;
  if (TaxonCount() == 0) return true;
  MatrixDialog dlg(*this);
  dlg.DoModal();
  return true;
}

bool CVeltoDoc::OnUpdateCommand(docview::CCmdUI& ui) {
  if (ui.m_nID != ID_GRAPH_MATRIX) return false;
  ui.Enable(TaxonCount() > 0);
  return true;
}

void CVeltoDoc::DeleteContents() {
  m_bands.clear();
  m_bands.shrink_to_fit();
  m_taxa.Release();
  m_distances.clear();
  m_distances.shrink_to_fit();
  m_taxonCount = 0;
  m_bHasBands = false;
}

float CVeltoDoc::Distance(std::size_t i, std::size_t j) const {
  if (i == j) return kSelfDistance;
  return m_distances[PackedIndex(i, j)];
}

bool CVeltoDoc::PositiveBandRange(float& lo, float& hi) const {
  bool any = false;
  for (const auto& list : m_bands) {
    for (float v : list) {
      if (!(v > 0.0f)) continue;
      if (!any || v < lo) lo = v;
      if (!any || v > hi) hi = v;
      any = true;
    }
  }
  return any;
}

}  // namespace velto
