// The viewer's match file, read into a document from the bytes as they stand; a document that
// was read gets each of the viewer's trees built over it, as opening it in a view does.
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "viewer/dendrogram.h"
#include "viewer/match_file.h"
#include "viewer/nbr_join.h"
#include "viewer/velto_doc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  velto::CVeltoDoc doc;
  const velto::ReadResult r = velto::ReadMatchStream(doc, in, "fuzz.txt", size);
  float lo = 0, hi = 0;
  doc.PositiveBandRange(lo, hi);
  // The joins take cubic time in the taxa: a small document shows every path.
  if (!r.ok || doc.TaxonCount() == 0 || doc.TaxonCount() > 48) return 0;
  std::unique_ptr<velto::Dendrogram> trees[] = {
      std::make_unique<velto::MaxLinkageDendrogram>(), std::make_unique<velto::MinLinkageDendrogram>(),
      std::make_unique<velto::AveLinkageDendrogram>(), std::make_unique<velto::NbrJoinDendrogram>()};
  for (auto& tree : trees) {
    tree->Build(doc.Distances(), doc.Taxa());
    for (std::size_t i = 0; i < doc.TaxonCount(); ++i) tree->NodeValue(doc.Taxa()[i]);
  }
  return 0;
}
