// The SAX handler kit of the GML layer: content handlers that do nothing or
// call optional event handlers, the error handler that keeps the parser's
// last error, and the document writer that turns SAX events into XML text.
//
// The document writer emits its text as it stands (callers escape values),
// without line breaks or indentation. It gathers its text in memory and
// hands it to its output stream at FlushOutput and at endDocument; between
// BeginUnit and EndUnit nothing reaches the stream, and EndUnit(false)
// forgets the unit's text and elements, so that a unit is written whole or
// not at all.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/Streams.h"
#include "platform/xml/Sax.h"

class T_SAXCustomDocumentWriter;

/// A content handler whose operations call optional event handlers.
class T_SAXCustomContentHandler : public IVBSAXContentHandler {
public:
  std::function<void(T_SAXCustomContentHandler&, IVBSAXLocator*)> OnPutDocumentLocator;
  std::function<void(T_SAXCustomContentHandler&)> OnStartDocument;
  std::function<void(T_SAXCustomContentHandler&)> OnEndDocument;
  std::function<void(T_SAXCustomContentHandler&, const std::string&, const std::string&)>
      OnStartPrefixMapping;
  std::function<void(T_SAXCustomContentHandler&, const std::string&)> OnEndPrefixMapping;
  std::function<void(T_SAXCustomContentHandler&, const std::string&, const std::string&,
                     const std::string&, const IVBSAXAttributes&)>
      OnStartElement;
  std::function<void(T_SAXCustomContentHandler&, const std::string&, const std::string&,
                     const std::string&)>
      OnEndElement;
  std::function<void(T_SAXCustomContentHandler&, const std::string&)> OnCharacters;
  std::function<void(T_SAXCustomContentHandler&, const std::string&)> OnIgnorableWhitespace;
  std::function<void(T_SAXCustomContentHandler&, const std::string&, const std::string&)>
      OnProcessingInstruction;
  std::function<void(T_SAXCustomContentHandler&, const std::string&)> OnSkippedEntity;

  void putref_documentLocator(IVBSAXLocator* locator) override;
  void startDocument() override;
  void endDocument() override;
  void startPrefixMapping(const std::string& prefix, const std::string& uri) override;
  void endPrefixMapping(const std::string& prefix) override;
  void startElement(const std::string& uri, const std::string& localName,
                    const std::string& qName, const IVBSAXAttributes& attributes) override;
  void endElement(const std::string& uri, const std::string& localName,
                  const std::string& qName) override;
  void characters(const std::string& text) override;
  void ignorableWhitespace(const std::string& text) override;
  void processingInstruction(const std::string& target, const std::string& data) override;
  void skippedEntity(const std::string& name) override;
};

/// Forwards every content event to a document writer (not owned; without one
/// the events do nothing). The writer's exceptions pass on.
class T_SAXContentWriter : public T_SAXCustomContentHandler {
public:
  void SetTarget(T_SAXCustomDocumentWriter* writer) { target_ = writer; }
  T_SAXCustomDocumentWriter* Target() const { return target_; }

  void putref_documentLocator(IVBSAXLocator* locator) override;
  void startDocument() override;
  void endDocument() override;
  void startPrefixMapping(const std::string& prefix, const std::string& uri) override;
  void endPrefixMapping(const std::string& prefix) override;
  void startElement(const std::string& uri, const std::string& localName,
                    const std::string& qName, const IVBSAXAttributes& attributes) override;
  void endElement(const std::string& uri, const std::string& localName,
                  const std::string& qName) override;
  void characters(const std::string& text) override;
  void ignorableWhitespace(const std::string& text) override;
  void processingInstruction(const std::string& target, const std::string& data) override;
  void skippedEntity(const std::string& name) override;

private:
  T_SAXCustomDocumentWriter* target_ = nullptr;
};

/// Turns SAX events into XML text.
class T_SAXCustomDocumentWriter : public IVBSAXLexicalHandler,
                                  public IVBSAXDTDHandler,
                                  public IVBSAXDeclHandler,
                                  public IVBSAXContentHandler {
public:
  T_SAXCustomDocumentWriter();
  ~T_SAXCustomDocumentWriter() override;

  /// A stream the writer does not own; nullptr returns to owned output.
  void SetOutput(TStream* stream);
  /// The file startDocument creates (with no caller stream).
  void SetOutputFileName(const std::string& name) { fileName_ = name; }
  /// The text of owned memory output (no file name, no caller stream).
  std::string OutputText() const;
  /// The size of the text not handed to the output yet.
  std::size_t PendingSize() const { return text_.size(); }

  bool CollapseEmpty = true;
  bool ExpandEntities = false;
  bool WriteDeclaration = true;
  std::string Version = "1.0";
  std::string Encoding = "UTF-8";
  int Standalone = 0; // 0 "no", 1 "yes"
  int LineBreak = 0;  // both choices add nothing

  /// Holds the text from here on until EndUnit.
  void BeginUnit();
  /// Keeps (true) or forgets (false) the unit's text and open elements.
  void EndUnit(bool keep);
  /// Hands the gathered text to the output (outside a unit).
  void FlushOutput();

  virtual std::string Indent(int depth);
  virtual void Write(const std::string& text);

  void putref_documentLocator(IVBSAXLocator* locator) override;
  void startDocument() override;
  void endDocument() override;
  void startPrefixMapping(const std::string& prefix, const std::string& uri) override;
  void endPrefixMapping(const std::string& prefix) override;
  void startElement(const std::string& uri, const std::string& localName,
                    const std::string& qName, const IVBSAXAttributes& attributes) override;
  void endElement(const std::string& uri, const std::string& localName,
                  const std::string& qName) override;
  void characters(const std::string& text) override;
  void ignorableWhitespace(const std::string& text) override;
  void processingInstruction(const std::string& target, const std::string& data) override;
  void skippedEntity(const std::string& name) override;

  void attributeDecl(const std::string& elementName, const std::string& attributeName,
                     const std::string& type, const std::string& valueDefault,
                     const std::string& value) override;
  void elementDecl(const std::string& name, const std::string& model) override;
  void externalEntityDecl(const std::string& name, const std::string& publicId,
                          const std::string& systemId) override;
  void internalEntityDecl(const std::string& name, const std::string& value) override;
  void notationDecl(const std::string& name, const std::string& publicId,
                    const std::string& systemId) override;
  void unparsedEntityDecl(const std::string& name, const std::string& publicId,
                          const std::string& systemId, const std::string& notation) override;
  void comment(const std::string& text) override;
  void endCDATA() override;
  void endDTD() override;
  void endEntity(const std::string& name) override;
  void startCDATA() override;
  void startEntity(const std::string& name) override;
  void startDTD(const std::string& name, const std::string& publicId,
                const std::string& systemId) override;

private:
  void CloseStartTag();
  void OpenSubset();
  void CloseSubset();
  static std::string ExternalId(const std::string& publicId, const std::string& systemId);

  std::string fileName_;
  TStream* output_ = nullptr;
  std::unique_ptr<TStream> owned_;
  bool callerStream_ = false;
  std::string text_;

  int depth_ = 0;
  int declDepth_ = 0;
  std::vector<std::pair<std::string, int>> elements_; // name, 1 open / 2 closed
  bool somethingWritten_ = false;
  bool lastWasEndTag_ = false;
  bool dtdOpen_ = false;
  bool subsetOpen_ = false;
  bool suppressed_ = false;
  std::string pendingNamespaces_;

  struct TMark {
    std::size_t Text;
    std::vector<std::pair<std::string, int>> Elements;
    int Depth;
    bool LastWasEndTag;
  };
  std::unique_ptr<TMark> unit_;
};

/// The writer class the GML layer creates.
class T_SAXDocumentWriter : public T_SAXCustomDocumentWriter {};

/// A content handler that does nothing.
class T_MySaxHandler : public IVBSAXContentHandler {
public:
  void putref_documentLocator(IVBSAXLocator*) override {}
  void startDocument() override {}
  void endDocument() override {}
  void startPrefixMapping(const std::string&, const std::string&) override {}
  void endPrefixMapping(const std::string&) override {}
  void startElement(const std::string&, const std::string&, const std::string&,
                    const IVBSAXAttributes&) override {}
  void endElement(const std::string&, const std::string&, const std::string&) override {}
  void characters(const std::string&) override {}
  void ignorableWhitespace(const std::string&) override {}
  void processingInstruction(const std::string&, const std::string&) override {}
  void skippedEntity(const std::string&) override {}
};

/// Keeps the parser's last error: the message without one trailing LF and
/// then one trailing CR, and the locator's line.
class T_MySaxErrorHandler : public IVBSAXErrorHandler {
public:
  std::string LastError;
  int LastLine = 0;

  void error(const IVBSAXLocator& locator, const std::string& message, int code) override;
  void fatalError(const IVBSAXLocator& locator, const std::string& message, int code) override;
  void ignorableWarning(const IVBSAXLocator&, const std::string&, int) override {}
};
