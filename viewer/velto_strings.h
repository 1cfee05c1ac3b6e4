// The viewer's string table: message and label texts by number. The texts use the numbered
// inserts of docview::FormatMessage.
#pragma once

namespace velto {

enum StringId : unsigned {
  IDS_MATCH_METHOD = 61446,  // labels under which the views show the match parameters
  IDS_BAND_SIZE_TOLERANCE = 61447,
  IDS_SPACING_TOLERANCE = 61448,
  IDS_VOLUME_TOLERANCE = 61449,
  IDS_LANE_MATCH_THRESHOLD = 61450,
  IDS_LINKAGE_METHOD = 61451,
  IDS_MIN_CONTIG_OVERLAP = 61452,
  IDS_CANNOT_OPEN = 61453,       // match file reader: %1 path
  IDS_BAD_FIRST_LINE = 61455,    // %1 path
  IDS_NOT_VELTO_FILE = 61456,    // %1 path
  IDS_BAD_TAXON_COUNT = 61457,   // %1 path
  IDS_BAD_LABEL = 61458,         // %1 taxon number from 1
  IDS_BAD_SIMILARITY = 61460,    // %1 label, %2 value number from 1
  IDS_BRACKET_IO_ERROR = 61461,  // %1 label
  IDS_BAD_BAND_LIST = 61462,     // %1 label
  IDS_BAND_IO_ERROR = 61463,     // %1 label
  IDS_NO_MEMORY = 61464,         // %1 path
};

// The text of `id`; an empty text for a number the table does not hold.
const char* LoadString(unsigned id);

}  // namespace velto
