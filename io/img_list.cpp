// Image list files: the three readers, wildcard expansion and the check for missing images.
#include "io/img_list.h"

#include <fnmatch.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/io_file.h"
#include "base/ks_msg.h"
#include "base/slog.h"

namespace {

constexpr int kMsgCannotOpen = 175;
constexpr int kMsgSomeMissing = 176;
constexpr int kMsgAllMissing = 179;
constexpr int kMsgAllMissingNames = 194;
constexpr int kMsgSomeMissingNames = 195;

bool open_list(const char* file, std::ifstream* in) {
  if (file && *file) in->open(file, std::ios::binary);
  if (file && *file && *in) return true;
  char name[KS_PATH_LEN] = "";
  if (file) io_path_filename(file, name);
  mh_send_msg(KS_ALERT_INFO, ks_gt_message(kMsgCannotOpen), name);
  return false;
}

// One line without its line end ('\n', and a '\r' before it).
bool next_line(std::ifstream& in, std::string* line) {
  if (!std::getline(in, *line)) return false;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::size_t skip_space(const std::string& s, std::size_t p) {
  while (p < s.size() && is_space(s[p])) ++p;
  return p;
}

bool ends_with_kes(const std::string& name) {
  if (name.size() < 4) return false;
  const char* ext = name.c_str() + name.size() - 4;
  return ext[0] == '.' && std::tolower(static_cast<unsigned char>(ext[1])) == 'k' &&
         std::tolower(static_cast<unsigned char>(ext[2])) == 'e' &&
         std::tolower(static_cast<unsigned char>(ext[3])) == 's';
}

std::string join_missing(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) {
    if (!text.empty()) text += ",\n";
    text += n;
  }
  return text;
}

// Tells about or asks about the missing images. TRUE when the reader goes on without them,
// FALSE when it returns nothing.
bool accept_missing(const std::vector<std::string>& missing, bool all, int msg_all, int msg_some) {
  const std::string text = join_missing(missing);
  if (all) {
    mh_send_msg(KS_ALERT_INFO, ks_gt_message(msg_all), text.c_str());
    return false;
  }
  return mh_send_msg(KS_ALERT_YESNO, ks_gt_message(msg_some), text.c_str()) != 1;
}

// One record of the two record files. The name may be quoted; after it come the closing quote,
// blanks and the comma, then the lane number (-1 when there is none) and, when asked for, the
// lane name: blanks, an optional comma, blanks, an optional quote and the text up to the next
// quote or the end of the line.
void parse_record(const std::string& s, std::size_t p, bool with_lane_name, std::string* name,
                  long* lane, std::string* lane_name) {
  if (p < s.size() && s[p] == '"') ++p;
  const std::size_t end = s.find_first_of(",\"", p);
  *name = s.substr(p, end == std::string::npos ? std::string::npos : end - p);
  p = end == std::string::npos ? s.size() : end;
  if (p < s.size() && s[p] == '"') ++p;
  p = skip_space(s, p);
  if (p < s.size() && s[p] == ',') ++p;
  p = skip_space(s, p);

  *lane = -1;
  const bool sign = p + 1 < s.size() && (s[p] == '-' || s[p] == '+');
  if (p < s.size() && std::isdigit(static_cast<unsigned char>(s[sign ? p + 1 : p]))) {
    char* stop = nullptr;
    errno = 0;
    *lane = std::strtol(s.c_str() + p, &stop, 10);
    p = static_cast<std::size_t>(stop - s.c_str());
  }
  if (!with_lane_name) return;
  p = skip_space(s, p);
  if (p < s.size() && s[p] == ',') ++p;
  p = skip_space(s, p);
  if (p < s.size() && s[p] == '"') ++p;
  const std::size_t close = s.find('"', p);
  *lane_name = s.substr(p, close == std::string::npos ? std::string::npos : close - p);
}

int read_records(const char* file, const char* image_folder, bool with_lane_name,
                 GtImgNameList* out) {
  *out = GtImgNameList{};
  std::ifstream in;
  if (!open_list(file, &in)) return 0;

  std::string line, name, lane_name;
  while (next_line(in, &line)) {
    const std::size_t p = skip_space(line, 0);
    if (p == line.size() || line[p] == '#') continue;
    long lane = -1;
    parse_record(line, p, with_lane_name, &name, &lane, &lane_name);
    SLOG("gt_read_imgname_list", 2, "   <%s>", line.c_str());
    const auto found = std::find(out->images.begin(), out->images.end(), name);
    const int index = static_cast<int>(found - out->images.begin());
    if (found == out->images.end())
      out->images.push_back(name);
    else
      SLOG("gt_read_imgname_list", 2, "[%2d] already have %2d: <%s>", out->num_records(), index,
           name.c_str());
    out->lane_numbers.push_back(lane);
    out->image_index.push_back(index);
    if (with_lane_name) out->lane_names.push_back(lane_name);
    SLOG("gt_read_imgname_list", 2, "  %2d %2ld %2d", out->num_records() - 1, lane, index);
  }

  // Names become file names: the name with ".kes" in the current folder, else in the image
  // folder. A file of the current folder keeps that folder in its path ("./gel.kes"): a bare
  // name would stand for any open image of that name, and gels of one name often lie in
  // several folders.
  std::vector<std::string> missing;
  std::vector<bool> present(out->images.size(), true);
  for (std::size_t i = 0; i < out->images.size(); ++i) {
    std::string& img = out->images[i];
    img += ".kes";
    if (io_file_exists(img.c_str())) {
      if (img.find('/') == std::string::npos) img.insert(0, "./");
      continue;
    }
    if (image_folder && *image_folder) {
      std::string full = image_folder;
      if (full.back() != '/') full += '/';
      full += img;
      if (io_file_exists(full.c_str())) {
        img = full;
        continue;
      }
    }
    SLOG("gt_read_imgname_list", 2, "[%2d] not exist, <%s>", static_cast<int>(i), img.c_str());
    present[i] = false;
    missing.push_back(img);
  }
  SLOG("gt_read_imgname_list", 2, "missing %d", static_cast<int>(missing.size()));

  if (!missing.empty()) {
    const bool all = missing.size() == out->images.size();
    if (!accept_missing(missing, all, with_lane_name ? kMsgAllMissingNames : kMsgAllMissing,
                        with_lane_name ? kMsgSomeMissingNames : kMsgSomeMissing)) {
      *out = GtImgNameList{};
      return 0;
    }
    // Drop the missing images and every record naming one; renumber the image indices.
    std::vector<int> new_index(out->images.size(), -1);
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < out->images.size(); ++i)
      if (present[i]) {
        new_index[i] = static_cast<int>(kept.size());
        kept.push_back(std::move(out->images[i]));
      }
    GtImgNameList result;
    result.images = std::move(kept);
    for (int r = 0; r < out->num_records(); ++r) {
      const int idx = new_index[static_cast<std::size_t>(out->image_index[static_cast<std::size_t>(r)])];
      if (idx < 0) continue;
      result.lane_numbers.push_back(out->lane_numbers[static_cast<std::size_t>(r)]);
      result.image_index.push_back(idx);
      if (with_lane_name) result.lane_names.push_back(out->lane_names[static_cast<std::size_t>(r)]);
    }
    *out = std::move(result);
    SLOG("gt_read_imgname_list", 2, "num_records now %d", out->num_records());
  }
  SLOG("gt_read_imgname_list", 2, "num_images %d, *numentry %d",
       static_cast<int>(out->images.size()), out->num_records());
  return static_cast<int>(out->images.size());
}

}  // namespace

int gt_expand_wildcard(const std::string& path, std::vector<std::string>* matches) {
  matches->clear();
  const std::size_t slash = path.rfind('/');
  const std::string folder_part = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
  if (pattern.find_first_of("*?") == std::string::npos) return 0;

  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder_part.empty() ? "." : folder_part, ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::error_code dir_ec;
    if (it->is_directory(dir_ec)) continue;
    std::string name = it->path().filename().string();
    if (!ends_with_kes(name)) continue;
    if (::fnmatch(pattern.c_str(), name.c_str(), FNM_NOESCAPE) == 0) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) matches->push_back(folder_part + n);
  return static_cast<int>(matches->size());
}

int gt_read_image_list(const char* file, std::vector<std::string>* paths) {
  paths->clear();
  std::ifstream in;
  if (!open_list(file, &in)) return 0;

  // Every comma-separated field of a line is an entry, quotes dropped; a field left empty names
  // no image and is passed over.
  std::string line;
  while (next_line(in, &line) && !line.empty()) {
    std::size_t p = 0;
    while (p < line.size() && is_blank(line[p])) ++p;
    for (;;) {
      const std::size_t comma = line.find(',', p);
      std::string field = line.substr(p, comma == std::string::npos ? std::string::npos : comma - p);
      field.erase(std::remove(field.begin(), field.end(), '"'), field.end());
      if (!field.empty()) paths->push_back(std::move(field));
      if (comma == std::string::npos) break;
      p = comma + 1;
    }
  }

  // A wildcard entry becomes its first match; the further matches go to the end of the list.
  const std::size_t listed = paths->size();
  std::vector<std::string> matches;
  for (std::size_t i = 0; i < listed; ++i) {
    if (gt_expand_wildcard((*paths)[i], &matches) == 0) continue;
    (*paths)[i] = matches[0];
    paths->insert(paths->end(), matches.begin() + 1, matches.end());
  }

  std::vector<std::string> missing;
  for (const std::string& p : *paths)
    if (!io_file_exists(p.c_str())) missing.push_back(p);
  if (!missing.empty()) {
    if (!accept_missing(missing, missing.size() == paths->size(), kMsgAllMissing, kMsgSomeMissing)) {
      paths->clear();
      return 0;
    }
    std::erase_if(*paths, [](const std::string& p) { return !io_file_exists(p.c_str()); });
  }
  return static_cast<int>(paths->size());
}

int gt_read_imgname_list(const char* file, const char* image_folder, GtImgNameList* out) {
  return read_records(file, image_folder, false, out);
}

int gt_read_imgname_lanename(const char* file, const char* image_folder, GtImgNameList* out) {
  return read_records(file, image_folder, true, out);
}
