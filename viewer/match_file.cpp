#include "viewer/match_file.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <locale>
#include <new>
#include <stdexcept>
#include <vector>

#include "docview/format_message.h"
#include "viewer/triangle.h"
#include "viewer/velto_doc.h"
#include "viewer/velto_strings.h"

namespace velto {

namespace {

// The classic C-locale character table with the comma also counted as white space and as a
// blank, so every extraction skips commas and stops at them. The table is built once and shared.
class CsvCtype : public std::ctype<char> {
 public:
  CsvCtype() : std::ctype<char>(Table()) {}

 private:
  static const mask* Table() {
    static const std::vector<mask> table = [] {
      std::vector<mask> t(classic_table(), classic_table() + table_size);
      t[static_cast<unsigned char>(',')] |= space | blank;
      return t;
    }();
    return table.data();
  }
};

// C numbers (classic numeric facets) with the comma-separating character table.
const std::locale& CsvLocale() {
  static const std::locale loc(std::locale::classic(), new CsvCtype);
  return loc;
}

ReadResult Fail(unsigned id, std::vector<std::string> args) {
  return {false, docview::FormatMessage(LoadString(id), args)};
}

// Reads a label: everything between double quotes (blanks and commas included), or else one
// token. False when nothing could be read or the closing quote is missing.
bool ReadLabel(std::istream& in, std::string& label) {
  in >> std::ws;
  if (!in.good()) return false;
  if (in.peek() != '"') return static_cast<bool>(in >> label);
  in.get();
  label.clear();
  std::istream::int_type ch;
  while ((ch = in.get()) != std::istream::traits_type::eof()) {
    if (ch == '"') return true;
    label += static_cast<char>(ch);
  }
  return false;  // end of file (or an error) before the closing quote
}

}  // namespace

ReadResult ReadMatchStream(CVeltoDoc& doc, std::istream& in, const std::string& name,
                           std::uintmax_t byte_count) {
  in.imbue(CsvLocale());

  std::string tag;
  in >> tag >> doc.m_matchMethod >> doc.m_bandSizeTolerance >> doc.m_spacingTolerance >>
      doc.m_volumeTolerance >> doc.m_laneMatchThreshold >> doc.m_linkageMethod;
  if (!in) return Fail(IDS_BAD_FIRST_LINE, {name});
  if (tag != "VELTO") return Fail(IDS_NOT_VELTO_FILE, {name});

  // The count is read signed: "-1" is no count. A count beyond what the file can hold is not
  // refused here: the file runs out of lanes first, and the reader says where. Every taxon takes
  // at least one byte (its label) and so does every similarity, so a file of b bytes holds at
  // most `room` rows in full; the triangle and the pools are sized for no more rows than the file
  // can reach, which keeps a damaged count from sizing them beyond the file.
  long long count = -1;
  in >> count;
  if (!in || count < 0 || static_cast<unsigned long long>(count) > std::numeric_limits<std::uint32_t>::max())
    return Fail(IDS_BAD_TAXON_COUNT, {name});
  const auto n = static_cast<std::size_t>(count);
  std::size_t rows = n;
  if (byte_count != std::numeric_limits<std::uintmax_t>::max()) {
    const auto room = static_cast<std::size_t>(std::sqrt(2.0 * static_cast<double>(byte_count))) + 2;
    rows = std::min(n, room);
  }

  try {
    const std::size_t cells = TriangleSize(rows);
    if (cells > doc.m_distances.max_size() || rows > doc.m_bands.max_size()) throw std::bad_alloc();
    doc.m_distances.assign(cells, 0.0f);
    doc.m_taxonCount = static_cast<std::uint32_t>(n);
    doc.m_taxa.Resize(rows);
    doc.m_bands.assign(rows, {});
    doc.m_bandMin = std::numeric_limits<float>::max();
    doc.m_bandMax = std::numeric_limits<float>::lowest();

    std::string label;
    for (std::size_t i = 0; i < n; ++i) {
      if (i == rows || !ReadLabel(in, label)) return Fail(IDS_BAD_LABEL, {std::to_string(i + 1)});
      doc.m_taxa(label);

      float* row = doc.m_distances.data() + (i > 0 ? PackedIndex(i, 0) : 0);
      for (std::size_t j = 0; j < i; ++j) {
        float similarity = 0.0f;
        if (!(in >> similarity)) return Fail(IDS_BAD_SIMILARITY, {label, std::to_string(j + 1)});
        row[j] = static_cast<float>(100.0 - static_cast<double>(similarity));
      }

      in >> std::ws;
      if (in.good() && in.peek() == '[') {
        if (in.get() == std::istream::traits_type::eof() || !in)
          return Fail(IDS_BRACKET_IO_ERROR, {label});
        std::vector<float>& bands = doc.m_bands[i];
        float value = 0.0f;
        while (in >> value) {
          bands.push_back(value);
          if (value < doc.m_bandMin) doc.m_bandMin = value;
          if (value > doc.m_bandMax) doc.m_bandMax = value;
          doc.m_bHasBands = true;
        }
        if (in.bad()) return Fail(IDS_BAND_IO_ERROR, {label});
        in.clear();
        if (in.get() != ']') return Fail(IDS_BAD_BAND_LIST, {label});
      }
    }
  } catch (const std::bad_alloc&) {
    return Fail(IDS_NO_MEMORY, {name});
  } catch (const std::length_error&) {
    return Fail(IDS_NO_MEMORY, {name});
  }
  return {true, {}};
}

ReadResult ReadMatchFile(CVeltoDoc& doc, const std::string& path) {
  std::ifstream in(path);
  if (!in.is_open()) return Fail(IDS_CANNOT_OPEN, {path});
  std::error_code ec;
  std::uintmax_t size = std::numeric_limits<std::uintmax_t>::max();
  if (std::filesystem::is_regular_file(path, ec)) {
    std::uintmax_t s = std::filesystem::file_size(path, ec);
    if (!ec) size = s;
  }
  return ReadMatchStream(doc, in, path, size);
}

}  // namespace velto
