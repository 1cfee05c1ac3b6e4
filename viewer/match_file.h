// Reader of the match file that the main program writes after an all-lanes match.
//
// The file is text, read token by token: blanks, tabs, line ends and commas all separate tokens,
// and line ends carry no meaning except inside a quoted label. Numbers are read in the C locale
// whatever the user's locale. Layout:
//   VELTO, <method>, <size tol>, <spacing tol>, <volume tol>, <threshold>, <sixth field>
//   <N>
//   N taxon lines: "<label>", then the match percentages with every earlier taxon (taxon i
//   carries i of them), then optionally "[" band positions "]".
// The parameters are kept as the texts read; each percentage p is stored as the distance 100 - p.
#pragma once

#include <cstdint>
#include <istream>
#include <limits>
#include <string>

namespace velto {

class CVeltoDoc;

struct ReadResult {
  bool ok = false;
  std::string message;  // empty on success, else the formatted error text
};

// Reads the file at `path` into `doc`, which the caller has emptied. On failure the document may
// hold part of the file; the caller empties it again.
ReadResult ReadMatchFile(CVeltoDoc& doc, const std::string& path);

// Reads from `in`, which holds at most `byte_count` bytes; `name` stands for the file in
// messages. The stream's locale is replaced with the reader's.
ReadResult ReadMatchStream(CVeltoDoc& doc, std::istream& in, const std::string& name,
                           std::uintmax_t byte_count = std::numeric_limits<std::uintmax_t>::max());

}  // namespace velto
