// Attachments of the corpora that ship the decoded parts their own parsers produced,
// compared with what the import stores in the documents.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <map>
#include <nlohmann/json.hpp>

#include "MailTestSupport.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// ---- stalwart-mail-parser: one JSON tree of parts per message ----

const json* Header(const json& part, const char* name) {
  for (const json& header : part["headers"])
    if (header["name"] == name) return &header["value"];
  return nullptr;
}

std::string Attribute(const json* value, const char* name) {
  if (!value || !value->contains("ContentType")) return {};
  const json& attributes = (*value)["ContentType"]["attributes"];
  if (!attributes.is_array()) return {};
  for (const json& attribute : attributes)
    if (attribute["name"] == name && attribute["value"].is_string()) return attribute["value"];
  return {};
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

struct ExpectedPart {
  std::string name;
  std::string bytes;
  bool text = false;     // the reference gives text parts decoded to UTF-8
  bool message = false;  // the reference gives the raw lines of an attached message
  std::string charset;   // of a text part
};

void StalwartLeaves(const json& parts, size_t index, const std::string& eml,
                    std::vector<ExpectedPart>& out) {
  const json& part = parts[index];
  const json& body = part["body"];
  if (body.contains("Multipart")) {
    for (const json& child : body["Multipart"]) StalwartLeaves(parts, child.get<size_t>(), eml, out);
    return;
  }
  const json* type = Header(part, "content_type");
  const json* disposition = Header(part, "content_disposition");
  std::string mediaType = "text", subtype = "plain";
  if (type && type->contains("ContentType")) {
    mediaType = Lower((*type)["ContentType"]["c_type"].get<std::string>());
    const json& sub = (*type)["ContentType"]["c_subtype"];
    subtype = sub.is_string() ? Lower(sub.get<std::string>()) : std::string();
  }
  std::string name = Attribute(disposition, "filename");
  if (name.empty()) name = Attribute(type, "name");
  bool isMessage = body.contains("Message");
  bool isAttachment =
      isMessage || !name.empty() ||
      (disposition && Lower((*disposition)["ContentType"]["c_type"].get<std::string>()) == "attachment") ||
      !(mediaType == "text" && (subtype == "plain" || subtype == "html"));
  if (!isAttachment) return;

  ExpectedPart expected;
  expected.name = name;
  if (isMessage) {
    expected.message = true;
    expected.bytes = eml.substr(part["offset_body"].get<size_t>(),
                                part["offset_end"].get<size_t>() - part["offset_body"].get<size_t>());
    const json* encoding = Header(part, "content_transfer_encoding");
    if (encoding && encoding->contains("Text") && Lower((*encoding)["Text"].get<std::string>()) == "base64")
      expected.bytes = mailtest::Base64Decoded(expected.bytes);
    if (!expected.name.empty() && !Lower(expected.name).ends_with(".eml")) expected.name += ".eml";
  } else if (body.contains("Text") || body.contains("Html")) {
    expected.bytes = body.contains("Text") ? body["Text"].get<std::string>() : body["Html"].get<std::string>();
    expected.text = true;
    expected.charset = Attribute(type, "charset");
  } else if (body.contains("Binary") || body.contains("InlineBinary")) {
    for (int byte : body.contains("Binary") ? body["Binary"] : body["InlineBinary"])
      expected.bytes += static_cast<char>(byte);
  }
  out.push_back(std::move(expected));
}

}  // namespace

// Messages whose reading differs between the reference parser and GMime for reasons of
// the input, not of the import; the whole-corpus test still imports them.
const std::map<std::string, std::string> kReadDifferently = {
    {"rfc/000.eml", "parts declared base64 hold plain prose; the reference falls back to the raw text"},
    {"thirdparty/015.eml", "attached messages leave nested boundaries open; the reference ends the "
                           "outer part at the first of them and loses two attachments"},
};

bool ComparedWithReference(const std::string& file) {
  // Malformed input is read differently by every parser; those only have to import.
  return !file.starts_with("malformed/") && !kReadDifferently.contains(file);
}

class StalwartAttachments : public ::testing::TestWithParam<std::string> {};

TEST_P(StalwartAttachments, NamesAndBytesMatchTheReference) {
  fs::path eml = fs::path(mailtest::DataDir()) / "stalwart-mail-parser/resources/eml" / GetParam();
  fs::path reference = fs::path(eml).replace_extension(".json");
  std::string emlBytes = mailtest::ReadAll(eml);
  json tree = json::parse(mailtest::ReadAll(reference));
  std::vector<ExpectedPart> expected;
  StalwartLeaves(tree["parts"], 0, emlBytes, expected);

  std::vector<mailtest::StoredFile> stored = mailtest::ImportAndExtract(eml);
  ASSERT_EQ(stored.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("attachment " + std::to_string(i + 1));
    // Names are stored without the sender's folder part.
    std::string name = expected[i].name.substr(expected[i].name.find_last_of("/\\") + 1);
    if (!expected[i].name.empty()) EXPECT_EQ(stored[i].name, name);
    else EXPECT_TRUE(stored[i].name.starts_with("ATT")) << stored[i].name;
    if (expected[i].text)
      EXPECT_EQ(mailtest::ToUtf8(stored[i].bytes, expected[i].charset), expected[i].bytes);
    else if (expected[i].message)
      EXPECT_EQ(mailtest::LineEndsTrimmed(stored[i].bytes), mailtest::LineEndsTrimmed(expected[i].bytes));
    else
      EXPECT_EQ(stored[i].bytes, expected[i].bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, StalwartAttachments,
                         ::testing::ValuesIn(mailtest::FilesBelow("stalwart-mail-parser/resources/eml", ".eml",
                                                                  ComparedWithReference)),
                         mailtest::ParamName);
