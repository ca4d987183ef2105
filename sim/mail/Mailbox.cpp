#include "sim/mail/Mailbox.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "GMimeSupport.h"

namespace sim::mail {
namespace fs = std::filesystem;
namespace {

bool ReadFile(const fs::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return false;
  bytes = std::move(content).str();
  return true;
}

// GMime finds the "From " separators; each message runs from its first header to the
// next separator.
void SplitMbox(const std::string& path, const std::string& bytes, std::vector<MailboxMessage>& out) {
  detail::EnsureGMime();
  detail::GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  detail::GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MBOX);
  std::vector<std::pair<gint64, gint64>> spans;  // (separator, first header)
  while (!g_mime_parser_eos(parser.get())) {
    detail::GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message) break;
    spans.emplace_back(g_mime_parser_get_mbox_marker_offset(parser.get()),
                       g_mime_parser_get_headers_begin(parser.get()));
  }
  for (size_t i = 0; i < spans.size(); ++i) {
    auto begin = static_cast<size_t>(std::clamp<gint64>(spans[i].second, 0, bytes.size()));
    auto end = i + 1 < spans.size() ? static_cast<size_t>(std::clamp<gint64>(spans[i + 1].first, 0, bytes.size()))
                                    : bytes.size();
    if (end < begin) end = begin;
    out.push_back({path + "#" + std::to_string(i + 1), {}, bytes.substr(begin, end - begin)});
  }
}

void ReadMessageFile(const fs::path& path, const std::string& folder, Mailbox& box) {
  std::string bytes;
  if (!ReadFile(path, bytes)) {
    box.problems.push_back(path.string() + ": cannot be read");
    return;
  }
  if (bytes.compare(0, 5, "From ") == 0) {
    size_t first = box.messages.size();
    SplitMbox(path.string(), bytes, box.messages);
    for (size_t i = first; i < box.messages.size(); ++i) box.messages[i].folder = folder;
    if (box.messages.size() > first) return;
  }
  box.messages.push_back({path.string(), folder, std::move(bytes)});
}

std::vector<fs::path> SortedEntries(const fs::path& dir, bool directories) {
  std::vector<fs::path> entries;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_directory(typeError) == directories) entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// Maildir++ names a subfolder ".Parent.Child"; Notes nests folders with a backslash.
std::string FolderFromMaildirName(const std::string& name) {
  std::string folder = name.substr(1);
  std::replace(folder.begin(), folder.end(), '.', '\\');
  return folder;
}

void ReadMaildir(const fs::path& dir, Mailbox& box) {
  auto readLeaf = [&](const fs::path& leaf, const std::string& folder) {
    for (const char* sub : {"cur", "new"})
      for (const fs::path& file : SortedEntries(leaf / sub, false)) ReadMessageFile(file, folder, box);
  };
  readLeaf(dir, {});
  for (const fs::path& sub : SortedEntries(dir, true)) {
    std::string name = sub.filename().string();
    if (name.size() > 1 && name[0] == '.' && name != "..") readLeaf(sub, FolderFromMaildirName(name));
  }
}

}  // namespace

Mailbox ReadMailbox(const fs::path& path) {
  Mailbox box;
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    if (!fs::is_directory(path / "cur", ec) && !fs::is_directory(path / "new", ec)) {
      box.problems.push_back(path.string() + ": a folder without cur/ or new/ is not a Maildir");
      return box;
    }
    ReadMaildir(path, box);
  } else if (fs::exists(path, ec)) {
    ReadMessageFile(path, {}, box);
  } else {
    box.problems.push_back(path.string() + ": no such file or folder");
  }
  return box;
}

}  // namespace sim::mail
