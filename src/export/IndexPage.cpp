#include "export/IndexPage.h"

#include <algorithm>

#include "render/HtmlPage.h"

namespace stowline {

namespace {

std::string Escaped(std::string text) {
    HtmlEscape(text);
    return text;
}

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('\\', start);
        parts.push_back(path.substr(start, slash - start));
        if (slash == std::string::npos) return parts;
        start = slash + 1;
    }
}

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Fold(x) == Fold(y); });
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(Fold(x)) < static_cast<unsigned char>(Fold(y));
    });
}

std::string Plural(std::size_t n, const char* one) {
    return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
}

constexpr const char* kStyle =
    "<style>\n"
    "body { font-family: sans-serif; }\n"
    "table { border-collapse: collapse; }\n"
    "th { text-align: left; color: #003366; }\n"
    "td, th { padding: 3px 6px; border: 1px solid #999; vertical-align: top; }\n"
    "</style>\n";

// Filters the rows as the user types: a row stays when every word typed occurs in its subject,
// sender or text. The rows of the table and of stowlineRows (the data file) are in the same
// order; a data file that does not match the table leaves the search off.
constexpr const char* kSearchScript = R"(<script>
(function () {
  var box = document.getElementById("search"), count = document.getElementById("count");
  var rows = document.getElementById("pages").tBodies[0].rows, data = window.stowlineRows;
  if (!data || data.length !== rows.length) {
    box.disabled = true;
    count.textContent = "Search is off: index.js does not belong to this page.";
    return;
  }
  var text = [], shown = [], queued = 0;
  for (var i = 0; i < data.length; i++) {
    text.push((data[i][4] + "\n" + data[i][3] + "\n" + data[i][6]).toLowerCase());
    shown.push(true);
  }
  function filter() {
    queued = 0;
    var words = box.value.toLowerCase().split(/\s+/).filter(Boolean), n = 0;
    for (var i = 0; i < text.length; i++) {
      var keep = true;
      for (var w = 0; keep && w < words.length; w++) keep = text[i].indexOf(words[w]) >= 0;
      if (keep !== shown[i]) { shown[i] = keep; rows[i].hidden = !keep; }
      if (keep) n++;
    }
    count.textContent = n === text.length ? n + " pages" : n + " of " + text.length + " pages";
  }
  box.addEventListener("input", function () { if (!queued) queued = requestAnimationFrame(filter); });
  if (box.value) filter();
})();
</script>
)";

}  // namespace

bool FolderPathLess(const std::string& a, const std::string& b) {
    const auto x = Components(a);
    const auto y = Components(b);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), LessNoCase);
}

std::string BuildFolderIndexPage(const std::string& title, const std::string& home,
                                 const std::vector<IndexEntry>& entries) {
    std::string page;
    page.reserve(1024 + entries.size() * 200);
    page += "<html>\n<head>\n<title>" + Escaped(title) + "</title>\n";
    page += kStyle;
    page += "</head>\n<body>\n<p><a href=\"" + HrefEscaped(home) + "\">All archived folders</a></p>\n";
    page += "<h1>" + Escaped(title) + "</h1>\n";
    page += "<p><input id=search type=search size=40 placeholder=\"Search subject, sender and text\" "
            "autofocus> <span id=count>" + Plural(entries.size(), "page") + "</span></p>\n";
    page += "<table id=pages>\n<thead><tr><th>Date<th>From<th>Subject<th>Attachments</tr></thead>\n<tbody>\n";
    for (const auto& e : entries) {
        page += "<tr><td>" + Escaped(e.date) + "<td>" + Escaped(e.from) + "<td><a href=\"" +
                HrefEscaped(e.file) + "\">" + Escaped(e.subject) + "</a><td>" +
                std::to_string(e.attachments) + "</tr>\n";
    }
    page += "</tbody>\n</table>\n<script src=\"";
    page += kIndexDataName;
    page += "\"></script>\n";
    page += kSearchScript;
    page += "</body>\n</html>\n";
    return page;
}

std::string BuildBaseIndexPage(const std::vector<IndexFolder>& folders) {
    std::string page = "<html>\n<head>\n<title>Archived folders</title>\n";
    page += kStyle;
    page += "</head>\n<body>\n<h1>Archived folders</h1>\n<ul>\n";
    // Each folder's list item stays open for the folders inside it; a folder that holds indexed
    // folders without an index of its own is listed by its name alone.
    std::vector<std::string> open;
    for (const auto& folder : folders) {
        const auto parts = Components(folder.path);
        std::size_t common = 0;
        while (common < open.size() && common + 1 < parts.size() && SameNoCase(open[common], parts[common]))
            ++common;
        for (; open.size() > common; open.pop_back()) page += "</ul></li>\n";
        for (std::size_t d = common; d < parts.size(); ++d) {
            page += "<li>";
            if (d + 1 < parts.size()) {
                page += Escaped(parts[d]);
            } else {
                page += "<a href=\"" + HrefEscaped(folder.path + "\\" + kIndexPageName) + "\">" +
                        Escaped(parts[d]) + "</a> (" + Plural(folder.pages, "page");
                if (!folder.newestDate.empty()) page += ", newest " + Escaped(folder.newestDate);
                page += ")";
            }
            page += "\n<ul>\n";
            open.push_back(parts[d]);
        }
    }
    for (; !open.empty(); open.pop_back()) page += "</ul></li>\n";
    page += "</ul>\n</body>\n</html>\n";
    return page;
}

}  // namespace stowline
