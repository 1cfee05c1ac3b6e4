// The viewer's one document: what one match file says. The taxa (one per lane, with its label),
// each taxon's band positions, the distances between taxa (100 minus the match percentage) in a
// packed lower triangle, and the six parameter texts of the file's first line. Filled by
// ReadMatchFile, read by the views and the tree builders, never edited or saved.
//
// Taxon i of m_taxa, band list i of m_bands and row i of m_distances belong to the same lane.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "docview/document.h"
#include "viewer/dendron.h"

namespace velto {

class CVeltoDoc : public docview::CDocument {
 public:
  CVeltoDoc() = default;
  ~CVeltoDoc() override;

  // Empties the document, reads the match file at `path` and returns true on success. On a
  // read error the document is emptied again, the views are updated (no sender, hint 0), the
  // reader's message is shown in a message box and the result is false; the document then
  // stays marked modified, so the framework treats the previous document as gone.
  bool OnOpenDocument(const std::string& path) override;
  // Drops the taxa, band lists and distances. The parameter texts and the band bounds keep their
  // values until the next read.
  void DeleteContents() override;

  // Graph > Matrix: the matrix dialog, enabled while the document holds taxa.
  bool OnCommand(unsigned id) override;
  bool OnUpdateCommand(docview::CCmdUI& ui) override;

  // Number of taxa made by the last read.
  std::size_t TaxonCount() const { return m_taxa.size(); }
  // Distance of taxa i and j; 0.0 for i == j.
  float Distance(std::size_t i, std::size_t j) const;
  const std::string& Label(std::size_t i) const { return m_taxa[i].Label(); }
  const std::vector<float>& Bands(std::size_t i) const { return m_bands[i]; }
  const std::vector<float>& Distances() const { return m_distances; }
  BlockAllocator<Taxon>& Taxa() { return m_taxa; }
  const BlockAllocator<Taxon>& Taxa() const { return m_taxa; }
  // The smallest and largest band position above zero, the only values a logarithmic band scale
  // can place; false when there is none.
  bool PositiveBandRange(float& lo, float& hi) const;

  bool m_bHasBands = false;                 // at least one band position was read
  std::string m_linkageMethod;              // sixth parameter of line 1
  std::vector<float> m_distances;           // N(N-1)/2 cells; cell (i, j), i > j, at i(i-1)/2 + j
  std::uint32_t m_taxonCount = 0;           // N
  BlockAllocator<Taxon> m_taxa;             // the N leaves in file order
  std::vector<std::vector<float>> m_bands;  // band positions of each taxon, in file order
  float m_bandMin = 0.0f;                   // smallest and largest band position read
  float m_bandMax = 0.0f;
  std::string m_matchMethod;  // parameters 1 to 5 of line 1, as read
  std::string m_bandSizeTolerance;
  std::string m_spacingTolerance;
  std::string m_volumeTolerance;
  std::string m_laneMatchThreshold;
};

}  // namespace velto
