// The text of an HTML part as a browser lays it out, for mail that has no plain text.
#include <libxml/HTMLparser.h>

#include <cstring>

#include "sim/mail/MailMessage.h"

namespace sim::mail {
namespace {

bool NameIs(const xmlNode* node, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0) return true;
    return false;
}

class Layout {
public:
    void Walk(const xmlNode* node, bool preformatted) {
        for (; node; node = node->next) {
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                AddText(reinterpret_cast<const char*>(node->content), preformatted);
            } else if (node->type == XML_ELEMENT_NODE) {
                if (NameIs(node, {"script", "style", "head", "title", "noscript", "template"})) continue;
                if (NameIs(node, {"br"})) {
                    Break(true);
                    continue;
                }
                bool block = NameIs(node, {"p",        "div",   "li",      "ul",      "ol",      "tr",     "table",
                                           "h1",       "h2",    "h3",      "h4",      "h5",      "h6",     "blockquote",
                                           "pre",      "hr",    "address", "section", "article", "header", "footer",
                                           "nav",      "aside", "dl",      "dt",      "dd",      "form",   "center",
                                           "fieldset", "main",  "figure",  "caption", "body",    "html"});
                if (block) Break(false);
                if (NameIs(node, {"td", "th"}) && !current_.empty()) pendingSpace_ = true;
                Walk(node->children, preformatted || NameIs(node, {"pre", "textarea"}));
                if (block) Break(false);
            }
        }
    }

    std::vector<std::string> Finish() {
        Break(false);
        return std::move(paragraphs_);
    }

private:
    void AddText(const char* text, bool preformatted) {
        if (!text) return;
        for (const char* p = text; *p; ++p) {
            char c = *p;
            if (preformatted) {
                if (c == '\r') continue;
                if (c == '\n') {
                    Break(true);
                    continue;
                }
                current_ += c;
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
                pendingSpace_ = !current_.empty();
                continue;
            }
            if (pendingSpace_) current_ += ' ';
            pendingSpace_ = false;
            // A no-break space shows as a blank but is never collapsed.
            if (static_cast<unsigned char>(c) == 0xC2 && static_cast<unsigned char>(p[1]) == 0xA0) {
                current_ += ' ';
                ++p;
                continue;
            }
            current_ += c;
        }
    }

    // A line break always starts a new paragraph; a block edge only ends a non-empty one.
    void Break(bool always) {
        if (always || !current_.empty()) paragraphs_.push_back(std::move(current_));
        current_.clear();
        pendingSpace_ = false;
    }

    std::vector<std::string> paragraphs_;
    std::string current_;
    bool pendingSpace_ = false;
};

}  // namespace

std::vector<std::string> HtmlToParagraphs(std::string_view html) {
    if (html.empty()) return {};
    htmlDocPtr doc = htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                                    HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc) return {};
    Layout layout;
    layout.Walk(xmlDocGetRootElement(doc), false);
    xmlFreeDoc(doc);
    return layout.Finish();
}

}  // namespace sim::mail
