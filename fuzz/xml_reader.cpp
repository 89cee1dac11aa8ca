// The XML reader: whatever the bytes, a parse ends with the events or with
// EXmlParseError; every event's texts are readable, start and end tags pair
// up, and a text run is never split by the reader.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/FuzzSupport.h"
#include "platform/xml/Sax.h"

namespace {

class TChecker : public IVBSAXContentHandler {
public:
  std::vector<std::string> Open;
  bool LastWasText = false;

  void putref_documentLocator(IVBSAXLocator* l) override { locator_ = l; }
  void startDocument() override {}
  void endDocument() override { skfuzz::Check(Open.empty(), "elements left open"); }
  void startPrefixMapping(const std::string&, const std::string&) override { LastWasText = false; }
  void endPrefixMapping(const std::string&) override { LastWasText = false; }
  void startElement(const std::string&, const std::string& local, const std::string& qName,
                    const IVBSAXAttributes& a) override {
    skfuzz::Check(locator_ != nullptr && locator_->lineNumber() >= 1, "locator line");
    skfuzz::Check(!local.empty() && qName.size() >= local.size(), "element names");
    for (int i = 0; i < a.length(); ++i)
      skfuzz::Check(a.getIndexFromQName(a.getQName(i)) <= i, "attribute lookup");
    Open.push_back(qName);
    LastWasText = false;
  }
  void endElement(const std::string&, const std::string&, const std::string& qName) override {
    skfuzz::Check(!Open.empty() && Open.back() == qName, "end tag pairs its start tag");
    Open.pop_back();
    LastWasText = false;
  }
  void characters(const std::string& text) override {
    skfuzz::Check(!text.empty() && !LastWasText, "one call per text run");
    LastWasText = true;
  }
  void ignorableWhitespace(const std::string&) override { skfuzz::Check(false, "ignorable"); }
  void processingInstruction(const std::string&, const std::string&) override {
    LastWasText = false;
  }
  void skippedEntity(const std::string&) override { LastWasText = false; }

private:
  IVBSAXLocator* locator_ = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = skfuzz::Text(data, size);
  // The same input whole and in small blocks: the same outcome.
  int outcomes[2] = {0, 0};
  for (int pass = 0; pass < 2; ++pass) {
    TChecker checker;
    TSAXXMLReader reader;
    reader.putref_contentHandler(&checker);
    if (pass == 1) reader.SetBlockSize(3);
    reader.SetMaxTextRun(1 << 20);
    try {
      reader.parse(text);
      outcomes[pass] = 1;
    } catch (const EXmlParseError& e) {
      outcomes[pass] = 2;
    }
  }
  skfuzz::Check(outcomes[0] == outcomes[1], "block size changes the outcome");
  return 0;
}
