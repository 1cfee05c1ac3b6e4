// The viewer's views at 1,000 and 5,000 lanes: the layout and a full paint of the UPGMA view and
// of the contig map (drawn on a recording context of fixed metrics, so the times are the views'
// own work), and formatting every cell of the matrix dialog's grid at 2,000 lanes. The trees are
// built once, outside the timing. Complexity estimates show how each grows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "docview/dc.h"
#include "viewer/contig_map_view.h"
#include "viewer/dendrogram_view.h"
#include "viewer/matrix_dialog.h"
#include "viewer/triangle.h"
#include "viewer/velto_doc.h"

namespace {

std::shared_ptr<docview::Device> Fixed(docview::DeviceKind) {
  docview::RecordingDevice::Metrics_ m;
  m.page_w = 2100;
  m.page_h = 2970;
  return std::make_shared<docview::RecordingDevice>(m);
}

// n lanes with distances from a fixed generator (groups of ten close lanes) and three bands each.
std::unique_ptr<velto::CVeltoDoc> MakeDoc(std::size_t n) {
  auto doc = std::make_unique<velto::CVeltoDoc>();
  doc->m_taxa.Resize(n);
  for (std::size_t k = 0; k < n; ++k) doc->m_taxa("lane, " + std::to_string(k + 1));
  doc->m_taxonCount = static_cast<std::uint32_t>(n);
  doc->m_distances.resize(velto::TriangleSize(n));
  std::uint64_t state = n;
  for (std::size_t i = 1; i < n; ++i)
    for (std::size_t j = 0; j < i; ++j) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      float noise = static_cast<float>((state >> 40) % 1000) / 100.0f;
      doc->m_distances[velto::PackedIndex(i, j)] = (i / 10 == j / 10 ? 5.0f : 60.0f) + noise;
    }
  doc->m_bands.assign(n, {1800.0f, 700.0f, 150.0f});
  doc->m_bHasBands = true;
  doc->m_matchMethod = "Dice";
  return doc;
}

template <class View>
void Views(benchmark::State& state, bool paint) {
  docview::SetDeviceFactory(&Fixed);
  auto n = static_cast<std::size_t>(state.range(0));
  auto doc = MakeDoc(n);
  View view;
  doc->AddView(&view);
  view.OnUpdate(nullptr, 0, nullptr);  // builds the tree once
  for (auto _ : state) {
    if (paint) {
      auto dev = std::make_shared<docview::RecordingDevice>();
      docview::CDC dc(dev);
      dc.SetMapMode(docview::MM_LOMETRIC);
      view.OnDraw(&dc);
      benchmark::DoNotOptimize(dev->lines.size());
    } else {
      view.Layout();
      benchmark::DoNotOptimize(view.Extent());
    }
  }
  state.SetComplexityN(state.range(0));
  doc->RemoveView(&view);
}

void UpgmaLayout(benchmark::State& s) { Views<velto::AveLinkageDendrogramView>(s, false); }
void UpgmaPaint(benchmark::State& s) { Views<velto::AveLinkageDendrogramView>(s, true); }
void ContigLayout(benchmark::State& s) { Views<velto::ContigMapView>(s, false); }
void ContigPaint(benchmark::State& s) { Views<velto::ContigMapView>(s, true); }

void MatrixCells(benchmark::State& state) {
  auto n = static_cast<int>(state.range(0));
  auto doc = MakeDoc(static_cast<std::size_t>(n));
  for (auto _ : state) {
    std::size_t chars = 0;
    for (int r = 0; r <= n; ++r)
      for (int c = 0; c <= n; ++c) chars += velto::MatrixCellText(*doc, 0, r, c).size();
    benchmark::DoNotOptimize(chars);
  }
  state.SetComplexityN(state.range(0));
}

BENCHMARK(UpgmaLayout)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(UpgmaPaint)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(ContigLayout)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(ContigPaint)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(MatrixCells)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
