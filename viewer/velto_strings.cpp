#include "viewer/velto_strings.h"

namespace velto {

const char* LoadString(unsigned id) {
  switch (id) {
    case IDS_MATCH_METHOD:
      return "Match method";
    case IDS_BAND_SIZE_TOLERANCE:
      return "Band size tolerance";
    case IDS_SPACING_TOLERANCE:
      return "Inter-band spacing tolerance";
    case IDS_VOLUME_TOLERANCE:
      return "Volume tolerance";
    case IDS_LANE_MATCH_THRESHOLD:
      return "Lane match threshhold";
    case IDS_LINKAGE_METHOD:
      return "Linkage method";
    case IDS_MIN_CONTIG_OVERLAP:
      return "Minimum contig overlap";
    case IDS_CANNOT_OPEN:
      return "Cannot open %1";
    case IDS_BAD_FIRST_LINE:
      return "Cannot parse first line of %1%.%n\nExpecting line that begins with \"VELTO ...\" "
             "followed by match parameters in particular order.";
    case IDS_NOT_VELTO_FILE:
      return "%1 is not a Velto file%.%nExpecting first line to begin with \"VELTO\".";
    case IDS_BAD_TAXON_COUNT:
      return "Cannot parse %1%.%nExpecting line 2 to contain a single integer returning the "
             "number of taxa%.";
    case IDS_BAD_LABEL:
      return "Cannot parse label of taxon %1!d!.";
    case IDS_BAD_SIMILARITY:
      return "Cannot parse similarity %2!d! for taxon \"%1\".";
    case IDS_BRACKET_IO_ERROR:
      return "Encountered I/O error while reading '[' for taxon \"%1\".";
    case IDS_BAD_BAND_LIST:
      return "Cannot parse band positions for taxon \"%1\".";
    case IDS_BAND_IO_ERROR:
      return "Encountered I/O error while reading band positions for taxon \"%1\".";
    case IDS_NO_MEMORY:
      return "Not enough memory to read %1%.";
    default:
      return "";
  }
}

}  // namespace velto
