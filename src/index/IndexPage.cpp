#include "index/IndexPage.h"

#include <algorithm>

#include "render/HtmlPage.h"
#include "platform/Text.h"

namespace stowline {

namespace text = platform::text;

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

std::string Plural(std::size_t n, const char* one) { return std::to_string(n) + " " + one + (n == 1 ? "" : "s"); }

constexpr const char* kStyle =
    "<style>\n"
    "body { font-family: sans-serif; }\n"
    "table { border-collapse: collapse; }\n"
    "th { text-align: left; color: #003366; }\n"
    "td, th { padding: 3px 6px; border: 1px solid #999; vertical-align: top; }\n"
    "</style>\n";

constexpr const char* kFolderStyle =
    "<style>\n"
    "#list { position: relative; }\n"
    "#pages { position: absolute; top: 0; table-layout: fixed; width: 100%; }\n"
    "#pages td { white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }\n"
    "#pages th { position: sticky; top: 0; background: #fff; box-shadow: 0 1px #999; }\n"
    "</style>\n";

// The list as the script shows it: the rows come from stowlineRows (the data file), and only those
// in sight (and a screenful either side) are made, so that loading and every keystroke's search
// stay quick with tens of thousands of pages. A row is one line high, its cells cut short, so that
// each row's place follows from its number. Without scripts the page shows the table of every row
// that follows in <noscript>; without its data file the script shows that table, unsearchable.
constexpr const char* kFolderList =
    "<div id=list hidden><table id=pages>\n"
    "<colgroup><col style=\"width: 13em\"><col style=\"width: 30%\"><col><col style=\"width: 7em\"></colgroup>\n"
    "<thead><tr><th>Date<th>From<th>Subject<th>Attachments</tr></thead>\n"
    "<tbody></tbody>\n</table></div>\n";

// A row stays when every word typed occurs in its subject, sender or text, letters compared
// without regard to case.
constexpr const char* kSearchScript = R"(<script>
(function () {
  var box = document.getElementById("search"), count = document.getElementById("count");
  var list = document.getElementById("list"), data = window.stowlineRows;
  if (!data) {
    list.innerHTML = document.getElementById("rows").textContent;
    list.hidden = false;
    count.textContent = "Search is off: its data file index.js is missing.";
    return;
  }
  var table = document.getElementById("pages"), head = table.tHead, body = table.tBodies[0];
  var all = [], shown, text = [], query = null, made = [], first = 0, last = 0;
  var rowHeight = 0, headHeight = 0;
  for (var i = 0; i < data.length; i++) all.push(i);
  shown = all;

  // The text searched, a lowercase string a row: made while the browser is idle after the list
  // is shown, or at the first search.
  function haystacks(idle) {
    while (text.length < data.length) {
      if (idle && text.length % 256 === 0 && idle.timeRemaining() < 2) {
        requestIdleCallback(haystacks);
        break;
      }
      var d = data[text.length];
      text.push((d[4] + "\n" + d[3] + "\n" + d[6]).toLowerCase());
    }
    return text;
  }
  function href(file) { return file.replace(/%/g, "%25").replace(/#/g, "%23"); }
  function row(k) {
    if (!made[k]) {
      var tr = document.createElement("tr");
      for (var c = 0; c < 4; c++) tr.appendChild(document.createElement("td"));
      tr.cells[2].appendChild(document.createElement("a"));
      made[k] = tr;
    }
    return made[k];
  }
  // Makes the rows in sight; `again` when the rows shown changed.
  function draw(again) {
    var top = list.getBoundingClientRect().top + headHeight, step = rowHeight || 24;
    var from = Math.max(0, Math.floor(-top / step) - 40);
    var to = Math.min(shown.length, Math.ceil((window.innerHeight - top) / step) + 40);
    if (to < from) to = from;
    if (!again && from === first && to === last) return;
    first = from;
    last = to;
    for (var i = from; i < to; i++) {
      var d = data[shown[i]], tr = row(i - from), a = tr.cells[2].firstChild;
      tr.cells[0].textContent = d[2];
      tr.cells[1].textContent = tr.cells[1].title = d[3];
      a.textContent = a.title = d[4];
      a.setAttribute("href", href(d[0]));
      tr.cells[3].textContent = d[5];
      if (tr.parentNode !== body) body.appendChild(tr);
    }
    while (body.rows.length > to - from) body.removeChild(body.lastChild);
    table.style.top = from * step + "px";
    list.style.height = headHeight + shown.length * step + "px";
    if (!rowHeight && to > from) {
      headHeight = head.getBoundingClientRect().height;
      rowHeight = body.getBoundingClientRect().height / (to - from);
      if (rowHeight > 0) draw(true);
    }
  }
  // Whether every row that holds all of `words` holds all of `before` too: each word of
  // before is part of a word now typed (a word typed on, or one more word).
  function narrows(before, words) {
    return before.every(function (b) { return words.some(function (w) { return w.indexOf(b) >= 0; }); });
  }
  // Filters the rows when the words typed changed; a search typed on looks only at the rows
  // the one before it kept.
  function search() {
    var words = box.value.toLowerCase().split(/\s+/).filter(Boolean);
    if (query && words.join(" ") === query.join(" ")) return;
    var from = query && narrows(query, words) ? shown : all;
    query = words;
    if (!words.length) {
      shown = all;
    } else {
      var hay = haystacks(), kept = [];
      for (var k = 0; k < from.length; k++) {
        var i = from[k], keep = true;
        for (var w = 0; keep && w < words.length; w++) keep = hay[i].indexOf(words[w]) >= 0;
        if (keep) kept.push(i);
      }
      shown = kept;
    }
    count.textContent = shown.length === data.length ? data.length + (data.length === 1 ? " page" : " pages")
                                                     : shown.length + " of " + data.length + " pages";
    if (list.getBoundingClientRect().top < 0) window.scrollTo(0, 0);
  }
  // The keystrokes of a frame are searched once, before it is drawn.
  var pending = 0;
  function typed() {
    pending = 0;
    search();
    draw(true);
  }
  box.addEventListener("input", function () { if (!pending) pending = requestAnimationFrame(typed); });
  window.addEventListener("scroll", function () { draw(false); });
  window.addEventListener("resize", function () { rowHeight = 0; draw(true); });
  list.hidden = false;
  box.disabled = false;
  box.focus();
  typed();
  if (window.requestIdleCallback) requestAnimationFrame(function () { requestIdleCallback(haystacks); });
})();
</script>
)";

}  // namespace

bool FolderPathLess(const std::string& a, const std::string& b) {
    const auto x = Components(a);
    const auto y = Components(b);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), text::LessNoCase);
}

std::string BuildFolderIndexPage(const std::string& title, const std::string& home,
                                 const std::vector<IndexEntry>& entries) {
    std::string page;
    page.reserve(2048 + entries.size() * 200);
    page += "<html>\n<head>\n<title>" + Escaped(title) + "</title>\n";
    page += kStyle;
    page += kFolderStyle;
    page += "</head>\n<body>\n<p><a href=\"" + HrefEscaped(home) + "\">All archived folders</a></p>\n";
    page += "<h1>" + Escaped(title) + "</h1>\n";
    page +=
        "<p><input id=search type=search size=40 placeholder=\"Search subject, sender and text\" "
        "disabled> <span id=count>" +
        Plural(entries.size(), "page") + "</span></p>\n";
    page += kFolderList;
    page +=
        "<noscript id=rows>\n<table>\n<thead><tr><th>Date<th>From<th>Subject<th>Attachments</tr></thead>\n<tbody>\n";
    for (const auto& e : entries) {
        page += "<tr><td>" + Escaped(e.date) + "<td>" + Escaped(e.from) + "<td><a href=\"" + HrefEscaped(e.file) +
                "\">" + Escaped(e.subject) + "</a><td>" + std::to_string(e.attachments) + "</tr>\n";
    }
    page += "</tbody>\n</table>\n</noscript>\n<script src=\"";
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
        while (common < open.size() && common + 1 < parts.size() && text::EqualsNoCase(open[common], parts[common]))
            ++common;
        for (; open.size() > common; open.pop_back()) page += "</ul></li>\n";
        for (std::size_t d = common; d < parts.size(); ++d) {
            page += "<li>";
            if (d + 1 < parts.size()) {
                page += Escaped(parts[d]);
            } else {
                page += "<a href=\"" + HrefEscaped(folder.path + "\\" + kIndexPageName) + "\">" + Escaped(parts[d]) +
                        "</a> (" + Plural(folder.pages, "page");
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
