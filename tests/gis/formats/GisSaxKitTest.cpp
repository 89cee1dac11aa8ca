// The SAX kit: the document writer's text for each kind of event, units
// written whole or forgotten, the forwarding content writer and the error
// handler's last error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "gis/formats/GisSaxKit.h"
#include "tests/support/TempDir.h"

namespace saxkittest {

/// The text a writer makes of `events` (without the declaration).
std::string Written(const std::function<void(T_SAXDocumentWriter&)>& events,
                    bool declaration = false) {
  T_SAXDocumentWriter w;
  w.WriteDeclaration = declaration;
  w.startDocument();
  events(w);
  w.endDocument();
  return w.OutputText();
}

const TSAXAttributes NO_ATTRIBUTES;

} // namespace saxkittest

TEST(SaxKit, DocumentWriterTextOfEachEvent) {
  using saxkittest::NO_ATTRIBUTES;
  struct TCase {
    const char* Name;
    std::function<void(T_SAXDocumentWriter&)> Events;
    std::string Text;
    bool WellFormed;
  };
  const TCase cases[] = {
      {"empty element", [](T_SAXDocumentWriter& w) {
         w.startElement("", "a", "a", NO_ATTRIBUTES);
         w.endElement("", "a", "a");
       }, "<a/>", true},
      {"element with text", [](T_SAXDocumentWriter& w) {
         w.startElement("", "a", "a", NO_ATTRIBUTES);
         w.characters("x");
         w.endElement("", "a", "a");
       }, "<a>x</a>", true},
      {"not collapsed", [](T_SAXDocumentWriter& w) {
         w.CollapseEmpty = false;
         w.startElement("", "a", "a", NO_ATTRIBUTES);
         w.endElement("", "a", "a");
       }, "<a></a>", true},
      {"nested", [](T_SAXDocumentWriter& w) {
         w.startElement("", "a", "a", NO_ATTRIBUTES);
         w.startElement("", "b", "b", NO_ATTRIBUTES);
         w.endElement("", "b", "b");
         w.endElement("", "a", "a");
       }, "<a><b/></a>", true},
      {"prefix mapping and attributes", [](T_SAXDocumentWriter& w) {
         TSAXAttributes at;
         at.addAttribute("", "k", "k", "CDATA", "v");
         w.startPrefixMapping("p", "urn:u");
         w.startElement("urn:u", "a", "p:a", at);
         w.endElement("urn:u", "a", "p:a");
       }, "<p:a xmlns:p=\"urn:u\" k=\"v\"/>", true},
      {"pi, comment and CDATA", [](T_SAXDocumentWriter& w) {
         w.startElement("", "a", "a", NO_ATTRIBUTES);
         w.processingInstruction("t", "d");
         w.comment(" c ");
         w.startCDATA();
         w.characters("<x>");
         w.endCDATA();
         w.endElement("", "a", "a");
       }, "<a><?t d?><!-- c --><![CDATA[<x>]]></a>", true},
      {"DTD with an external id", [](T_SAXDocumentWriter& w) {
         w.startDTD("a", "-//P//EN", "a.dtd");
         w.endDTD();
         w.startElement("", "a", "a", NO_ATTRIBUTES);
         w.endElement("", "a", "a");
       }, "<!DOCTYPE a PUBLIC \"-//P//EN\" \"a.dtd\"[]><a/>", false},
      {"declarations open a subset", [](T_SAXDocumentWriter& w) {
         w.elementDecl("a", "(#PCDATA)");
         w.attributeDecl("a", "k", "x|y", "#IMPLIED", "");
         w.internalEntityDecl("e", "\"v\"");
         w.externalEntityDecl("f", "", "f.txt");
         w.notationDecl("n", "", "n.exe");
         w.unparsedEntityDecl("u", "", "u.bin", "n");
         w.startElement("", "a", "a", NO_ATTRIBUTES);
         w.endElement("", "a", "a");
       }, "<!DOCTYPE [<!ELEMENT a (#PCDATA)><!ATTLIST a k (x|y) #IMPLIED ><!ENTITY e \"v\">"
          "<!ENTITY f SYSTEM \"f.txt\"><!NOTATION n SYSTEM \"n.exe\">"
          "<!ENTITY u SYSTEM \"u.bin\" NDATA n>]><a/>", false},
      {"entity not expanded", [](T_SAXDocumentWriter& w) {
         w.startElement("", "a", "a", NO_ATTRIBUTES);
         w.startEntity("e");
         w.characters("hidden");
         w.endEntity("e");
         w.skippedEntity("s");
         w.endElement("", "a", "a");
       }, "<a>&e;&s;</a>", false},
      {"entity expanded", [](T_SAXDocumentWriter& w) {
         w.ExpandEntities = true;
         w.startElement("", "a", "a", NO_ATTRIBUTES);
         w.characters("");
         w.startEntity("e");
         w.characters("shown");
         w.endEntity("e");
         w.startEntity("f");
         w.endEntity("f");
         w.endElement("", "a", "a");
       }, "<a>shown&f;</a>", false},
  };
  sktest::TTempDir dir("saxkit");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string text = saxkittest::Written(c.Events);
    EXPECT_EQ(text, c.Text);
    if (c.WellFormed) {
      dir.Write("g.xml", saxkittest::Written(c.Events, true));
      EXPECT_EQ(std::system(("xmllint --noout '" + (dir / "g.xml") + "' 2>/dev/null").c_str()), 0);
    }
  }
  EXPECT_EQ(saxkittest::Written([](T_SAXDocumentWriter&) {}, true),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>");
}

TEST(SaxKit, UnitsAreWrittenWholeOrForgotten) {
  using saxkittest::NO_ATTRIBUTES;
  TStringStream out;
  T_SAXDocumentWriter w;
  w.WriteDeclaration = false;
  w.SetOutput(&out);
  w.startDocument();
  w.startElement("", "r", "r", NO_ATTRIBUTES);
  w.BeginUnit();
  w.startElement("", "f", "f", NO_ATTRIBUTES);
  w.characters("lost");
  w.EndUnit(false); // a failure in the middle of the unit
  w.BeginUnit();
  w.FlushOutput(); // nothing leaves inside a unit
  EXPECT_EQ(out.DataString(), "");
  w.startElement("", "f", "f", NO_ATTRIBUTES);
  w.characters("kept");
  w.endElement("", "f", "f");
  w.EndUnit(true);
  w.endElement("", "r", "r");
  w.endDocument();
  EXPECT_EQ(out.DataString(), "<r><f>kept</f></r>");

  // The content writer forwards; the error handler keeps the last error.
  T_SAXContentWriter forward;
  forward.characters("nowhere"); // no target: nothing
  T_SAXDocumentWriter target;
  target.WriteDeclaration = false;
  forward.SetTarget(&target);
  forward.startDocument();
  forward.startElement("", "a", "a", NO_ATTRIBUTES);
  forward.endElement("", "a", "a");
  forward.endDocument();
  EXPECT_EQ(target.OutputText(), "<a/>");

  struct TLine : IVBSAXLocator {
    int lineNumber() const override { return 12; }
    int columnNumber() const override { return 3; }
  } at;
  T_MySaxErrorHandler errors;
  errors.fatalError(at, "broken\r\n", 4);
  EXPECT_EQ(errors.LastError, "broken");
  EXPECT_EQ(errors.LastLine, 12);
}
