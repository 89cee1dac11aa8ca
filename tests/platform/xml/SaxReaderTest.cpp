// The XML reader: the events in document order as one text per event, the
// joined text runs, errors with their lines, handler exceptions, encodings
// and the reader's defences (external entities, entity amplification, long
// runs and long markup).
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/rtl/Strings.h"
#include "platform/xml/Sax.h"
#include "tests/support/TempDir.h"

namespace saxtest {

/// Records every event as one line.
class TRecorder : public IVBSAXContentHandler, public IVBSAXErrorHandler,
                  public IVBSAXLexicalHandler {
public:
  std::vector<std::string> Events;
  int Fatal = 0;
  int FatalLine = 0;
  std::string ThrowAt; // a local name whose start raises

  void putref_documentLocator(IVBSAXLocator* l) override { locator_ = l; }
  void startDocument() override { Events.push_back("startDocument"); }
  void endDocument() override { Events.push_back("endDocument"); }
  void startPrefixMapping(const std::string& p, const std::string& u) override {
    Events.push_back("prefix+ " + p + "=" + u);
  }
  void endPrefixMapping(const std::string& p) override { Events.push_back("prefix- " + p); }
  void startElement(const std::string& uri, const std::string& local, const std::string& q,
                    const IVBSAXAttributes& a) override {
    if (local == ThrowAt) throw std::runtime_error("handler refused " + local);
    std::string e = "start {" + uri + "}" + local + " " + q;
    for (int i = 0; i < a.length(); ++i)
      e += " [" + a.getURI(i) + "|" + a.getLocalName(i) + "|" + a.getQName(i) + "=" +
           a.getValue(i) + "]";
    Events.push_back(e + " @" + IntToStr(locator_->lineNumber()));
  }
  void endElement(const std::string& uri, const std::string& local,
                  const std::string& q) override {
    Events.push_back("end {" + uri + "}" + local + " " + q);
  }
  void characters(const std::string& t) override { Events.push_back("text " + t); }
  void ignorableWhitespace(const std::string& t) override { Events.push_back("ignorable " + t); }
  void processingInstruction(const std::string& t, const std::string& d) override {
    Events.push_back("pi " + t + " " + d);
  }
  void skippedEntity(const std::string& n) override { Events.push_back("skipped " + n); }
  void error(const IVBSAXLocator&, const std::string& m, int) override {
    Events.push_back("error " + m);
  }
  void fatalError(const IVBSAXLocator& l, const std::string&, int) override {
    ++Fatal;
    FatalLine = l.lineNumber();
  }
  void ignorableWarning(const IVBSAXLocator&, const std::string&, int) override {}
  void startDTD(const std::string& n, const std::string& p, const std::string& s) override {
    Events.push_back("dtd " + n + " " + p + " " + s);
  }
  void endDTD() override { Events.push_back("enddtd"); }
  void startEntity(const std::string& n) override { Events.push_back("entity " + n); }
  void endEntity(const std::string& n) override { Events.push_back("endentity " + n); }
  void startCDATA() override { Events.push_back("cdata"); }
  void endCDATA() override { Events.push_back("endcdata"); }
  void comment(const std::string& t) override { Events.push_back("comment " + t); }

private:
  IVBSAXLocator* locator_ = nullptr;
};

std::vector<std::string> Parse(const std::string& doc, std::size_t block = 65536,
                               TRecorder* into = nullptr) {
  TRecorder local;
  TRecorder& r = into ? *into : local;
  TSAXXMLReader reader;
  reader.putref_contentHandler(&r);
  reader.putref_errorHandler(&r);
  reader.putref_lexicalHandler(&r);
  reader.SetBlockSize(block);
  reader.parse(doc);
  return r.Events;
}

const char* const RICH_DOC =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE r [<!ENTITY e \"ent\">]>\n"
    "<r xmlns=\"urn:d\" xmlns:g=\"urn:g\" a=\"1&amp;2\">\n"
    "  <g:x g:k=\"v\">a&amp;b&#65;<![CDATA[<c>]]>&e;\nline</g:x>\n"
    "  <?go now?><!-- note --><y/>\n"
    "</r>\n";

} // namespace saxtest

TEST(SaxReader, EventsInDocumentOrder) {
  const auto events = saxtest::Parse(saxtest::RICH_DOC);
  const std::vector<std::string> expected = {
      "startDocument",
      "dtd r  ",
      "enddtd",
      "prefix+ =urn:d",
      "prefix+ g=urn:g",
      "start {urn:d}r r [|a|a=1&2] @3",
      "text \n  ",
      "start {urn:g}x g:x [urn:g|k|g:k=v] @4",
      "text a&bA<c>ent\nline",
      "end {urn:g}x g:x",
      "text \n  ",
      "pi go now",
      "comment  note ",
      "start {urn:d}y y @6",
      "end {urn:d}y y",
      "text \n",
      "end {urn:d}r r",
      "prefix- g",
      "prefix- ",
      "endDocument",
  };
  EXPECT_EQ(events, expected);
}

TEST(SaxReader, ByteByByteFeedingGivesTheSameEvents) {
  EXPECT_EQ(saxtest::Parse(saxtest::RICH_DOC, 1), saxtest::Parse(saxtest::RICH_DOC));
  EXPECT_EQ(saxtest::Parse(saxtest::RICH_DOC, 7), saxtest::Parse(saxtest::RICH_DOC));
}

TEST(SaxReader, FileAndMemoryGiveTheSameEvents) {
  sktest::TTempDir dir("sax");
  dir.Write("a.xml", saxtest::RICH_DOC);
  saxtest::TRecorder r;
  TSAXXMLReader reader;
  reader.putref_contentHandler(&r);
  reader.putref_lexicalHandler(&r);
  reader.parseURL(dir / "a.xml");
  EXPECT_EQ(r.Events, saxtest::Parse(saxtest::RICH_DOC));
  TSAXXMLReader missing;
  EXPECT_THROW(missing.parseURL(dir / "none.xml"), EFOpenError);
}

TEST(SaxReader, ErrorsCarryTheirLine) {
  struct TCase {
    const char* Name;
    const char* Doc;
    int Line;
  };
  const TCase cases[] = {
      {"unbound prefix", "<r>\n\n<q:x/></r>", 3},
      {"mismatched tag", "<r>\n<a></b></r>", 2},
      {"unknown encoding", "<?xml version=\"1.0\" encoding=\"shift-jis-x\"?><r/>", 1},
      {"no root", "", 1},
      {"text after the root", "<r/>\nx", 2},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    saxtest::TRecorder r;
    try {
      saxtest::Parse(c.Doc, 65536, &r);
      ADD_FAILURE() << "no error";
    } catch (const EXmlParseError& e) {
      EXPECT_EQ(e.Line(), c.Line);
      EXPECT_FALSE(std::string(e.what()).empty());
      EXPECT_EQ(r.Fatal, 1);
      EXPECT_EQ(r.FatalLine, c.Line);
    }
  }
}

TEST(SaxReader, HandlerExceptionStopsTheParseUnchanged) {
  saxtest::TRecorder r;
  r.ThrowAt = "b";
  try {
    saxtest::Parse("<r><a/><b/><c/></r>", 2, &r);
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "handler refused b");
  }
  EXPECT_EQ(r.Fatal, 0);
  // Nothing after the refusing event.
  EXPECT_EQ(r.Events.back(), "end {}a a");
}

TEST(SaxReader, SingleByteCodePagesAreDecoded) {
  // "Łódź" in windows-1250 and ISO-8859-2; "é" in ISO-8859-1 (expat's own).
  const std::string w1250 = "<?xml version=\"1.0\" encoding=\"windows-1250\"?><r a=\"\xA3\">\xA3\xF3\x64\x9F</r>";
  EXPECT_EQ(saxtest::Parse(w1250)[1], "start {}r r [|a|a=\xC5\x81] @1");
  EXPECT_EQ(saxtest::Parse(w1250)[2], "text \xC5\x81\xC3\xB3\x64\xC5\xBA");
  const std::string iso2 = "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?><r>\xA3</r>";
  EXPECT_EQ(saxtest::Parse(iso2)[2], "text \xC5\x81");
  const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xE9</r>";
  EXPECT_EQ(saxtest::Parse(latin1)[2], "text \xC3\xA9");
  const std::string utf16 = std::string("\xFF\xFE<\0r\0/\0>\0", 10);
  EXPECT_EQ(saxtest::Parse(utf16)[1], "start {}r r @1");
}

TEST(SaxReader, ExternalEntitiesAreNeverRead) {
  sktest::TTempDir dir("sax-xxe");
  dir.Write("secret.txt", "SECRET");
  const std::string doc = "<!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + (dir / "secret.txt") +
                          "\"><!ENTITY % p SYSTEM \"file://" + (dir / "secret.txt") +
                          "\"> %p;]><r>&x;</r>";
  std::vector<std::string> events;
  try {
    events = saxtest::Parse(doc);
  } catch (const EXmlParseError&) {
  }
  for (const std::string& e : events)
    EXPECT_EQ(e.find("SECRET"), std::string::npos) << e;
}

TEST(SaxReader, EntityAmplificationIsRefused) {
  std::string doc = "<!DOCTYPE r [<!ENTITY a0 \"laughlaughlaughlaugh\">";
  for (int i = 1; i <= 12; ++i) {
    doc += "<!ENTITY a" + IntToStr(i) + " \"";
    for (int k = 0; k < 10; ++k)
      doc += "&a" + IntToStr(i - 1) + ";";
    doc += "\">";
  }
  doc += "]><r>&a12;</r>";
  EXPECT_THROW(saxtest::Parse(doc), EXmlParseError);
}

TEST(SaxReader, LongRunsAndLongMarkupAreBounded) {
  // A 50 MB run arrives whole, in one call.
  std::string big = "<r>" + std::string(50u << 20, 'x') + "</r>";
  struct TSizes : saxtest::TRecorder {
    std::vector<std::size_t> Runs;
    void characters(const std::string& t) override { Runs.push_back(t.size()); }
  } sizes;
  TSAXXMLReader reader;
  reader.putref_contentHandler(&sizes);
  reader.parse(big);
  EXPECT_EQ(sizes.Runs, std::vector<std::size_t>{50u << 20});

  // Beyond the bounds the parse stops with an error.
  TSAXXMLReader small;
  small.SetMaxTextRun(1 << 20);
  EXPECT_THROW(small.parse(big), EXmlParseError);
  const std::string attribute = "<r a=\"" + std::string(8u << 20, 'y') + "\"/>";
  TSAXXMLReader tight;
  tight.SetMaxPending(1 << 20);
  EXPECT_THROW(tight.parse(attribute), EXmlParseError);
  TSAXXMLReader roomy;
  EXPECT_NO_THROW(roomy.parse(attribute));
}
