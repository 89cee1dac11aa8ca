// The SAX2 services: the handler interfaces a parser calls, the attribute
// lists, and the XML reader over expat.
//
// Texts are UTF-8 whatever the document's encoding. The reader delivers, in
// document order:
//   - startDocument and endDocument once per parse;
//   - startPrefixMapping before and endPrefixMapping after the element that
//     declares a prefix ("xmlns" attributes are never reported as attributes);
//   - startElement (namespace URI, local name, qualified name as written,
//     attributes) and endElement;
//   - characters once per maximal run of text between two pieces of markup:
//     the pieces of one run (across input blocks, line breaks, entity and
//     character references and CDATA sections) are joined first;
//   - processingInstruction, skippedEntity, and, with a lexical handler,
//     comments and the document type's start and end;
//   - never ignorableWhitespace.
// A parse error goes to the error handler's fatalError (message, expat's
// error code) and then raises EXmlParseError. An exception raised by a
// handler stops the parse and comes out of parse/parseURL unchanged, without
// a fatalError call.
//
// Safety: parameter entities and external entities are never read; expat's
// protection against entity amplification stays on; one run of text and
// the text expat has to hold for one unfinished piece of markup (a start
// tag with huge attributes, say) are bounded (SetMaxTextRun, SetMaxPending),
// beyond which the parse stops with EXmlParseError.
//
// Encodings: UTF-8, UTF-16, ISO-8859-1 and US-ASCII as expat knows them;
// the single-byte code pages the runtime converts (windows-1250..1258,
// windows-874, ISO-8859-2..16, KOI8-R/U, IBM437/850/852/866 and their cp
// names); any other declared encoding is a parse error.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Exceptions.h"

/// Where the parser is (1-based line and column).
class IVBSAXLocator {
public:
  virtual ~IVBSAXLocator() = default;
  virtual int lineNumber() const = 0;
  virtual int columnNumber() const = 0;
};

/// The attributes of a start tag.
class IVBSAXAttributes {
public:
  virtual ~IVBSAXAttributes() = default;
  virtual int length() const = 0;
  virtual const std::string& getURI(int index) const = 0;
  virtual const std::string& getLocalName(int index) const = 0;
  virtual const std::string& getQName(int index) const = 0;
  virtual const std::string& getType(int index) const = 0;
  virtual const std::string& getValue(int index) const = 0;
  /// The index of the attribute of that qualified name; -1 when none.
  virtual int getIndexFromQName(std::string_view qName) const = 0;
};

/// A writable attribute list.
class IMXAttributes : public IVBSAXAttributes {
public:
  virtual void addAttribute(const std::string& uri, const std::string& localName,
                            const std::string& qName, const std::string& type,
                            const std::string& value) = 0;
  virtual void clear() = 0;
};

class IVBSAXContentHandler {
public:
  virtual ~IVBSAXContentHandler() = default;
  virtual void putref_documentLocator(IVBSAXLocator* locator) = 0;
  virtual void startDocument() = 0;
  virtual void endDocument() = 0;
  virtual void startPrefixMapping(const std::string& prefix, const std::string& uri) = 0;
  virtual void endPrefixMapping(const std::string& prefix) = 0;
  virtual void startElement(const std::string& uri, const std::string& localName,
                            const std::string& qName, const IVBSAXAttributes& attributes) = 0;
  virtual void endElement(const std::string& uri, const std::string& localName,
                          const std::string& qName) = 0;
  virtual void characters(const std::string& text) = 0;
  virtual void ignorableWhitespace(const std::string& text) = 0;
  virtual void processingInstruction(const std::string& target, const std::string& data) = 0;
  virtual void skippedEntity(const std::string& name) = 0;
};

class IVBSAXErrorHandler {
public:
  virtual ~IVBSAXErrorHandler() = default;
  virtual void error(const IVBSAXLocator& locator, const std::string& message, int code) = 0;
  virtual void fatalError(const IVBSAXLocator& locator, const std::string& message, int code) = 0;
  virtual void ignorableWarning(const IVBSAXLocator& locator, const std::string& message,
                                int code) = 0;
};

class IVBSAXLexicalHandler {
public:
  virtual ~IVBSAXLexicalHandler() = default;
  virtual void startDTD(const std::string& name, const std::string& publicId,
                        const std::string& systemId) = 0;
  virtual void endDTD() = 0;
  virtual void startEntity(const std::string& name) = 0;
  virtual void endEntity(const std::string& name) = 0;
  virtual void startCDATA() = 0;
  virtual void endCDATA() = 0;
  virtual void comment(const std::string& text) = 0;
};

class IVBSAXDTDHandler {
public:
  virtual ~IVBSAXDTDHandler() = default;
  virtual void notationDecl(const std::string& name, const std::string& publicId,
                            const std::string& systemId) = 0;
  virtual void unparsedEntityDecl(const std::string& name, const std::string& publicId,
                                  const std::string& systemId, const std::string& notation) = 0;
};

class IVBSAXDeclHandler {
public:
  virtual ~IVBSAXDeclHandler() = default;
  virtual void elementDecl(const std::string& name, const std::string& model) = 0;
  virtual void attributeDecl(const std::string& elementName, const std::string& attributeName,
                             const std::string& type, const std::string& valueDefault,
                             const std::string& value) = 0;
  virtual void internalEntityDecl(const std::string& name, const std::string& value) = 0;
  virtual void externalEntityDecl(const std::string& name, const std::string& publicId,
                                  const std::string& systemId) = 0;
};

/// A malformed document (or one beyond the reader's bounds).
class EXmlParseError : public Exception {
public:
  EXmlParseError(std::string message, int line, int code)
      : Exception(std::move(message)), line_(line), code_(code) {}
  int Line() const { return line_; }
  int Code() const { return code_; }

private:
  int line_;
  int code_;
};

/// No parser could be made (out of memory).
class EXmlNoParser : public Exception {
public:
  using Exception::Exception;
};

/// The XML reader. Handlers are not owned; each may be null.
class IVBSAXXMLReader {
public:
  virtual ~IVBSAXXMLReader() = default;
  virtual void putref_contentHandler(IVBSAXContentHandler* handler) = 0;
  virtual void putref_errorHandler(IVBSAXErrorHandler* handler) = 0;
  virtual void putref_lexicalHandler(IVBSAXLexicalHandler* handler) = 0;
  /// Parses the file (read through the runtime, 64 KiB at a time).
  virtual void parseURL(const std::string& path) = 0;
  /// Parses a document held in memory (fed in blocks as a file would be).
  virtual void parse(std::string_view document) = 0;
};

/// SAXAttributes: a list of (uri, local name, qualified name, type, value).
class TSAXAttributes : public IMXAttributes {
public:
  int length() const override { return int(items_.size()); }
  const std::string& getURI(int index) const override { return items_.at(index).Uri; }
  const std::string& getLocalName(int index) const override { return items_.at(index).Local; }
  const std::string& getQName(int index) const override { return items_.at(index).QName; }
  const std::string& getType(int index) const override { return items_.at(index).Type; }
  const std::string& getValue(int index) const override { return items_.at(index).Value; }
  int getIndexFromQName(std::string_view qName) const override;
  void addAttribute(const std::string& uri, const std::string& localName,
                    const std::string& qName, const std::string& type,
                    const std::string& value) override;
  void clear() override { items_.clear(); }

private:
  struct TItem {
    std::string Uri, Local, QName, Type, Value;
  };
  std::vector<TItem> items_;
};

/// SAXXMLReader over expat.
class TSAXXMLReader : public IVBSAXXMLReader {
public:
  TSAXXMLReader();
  ~TSAXXMLReader() override;

  void putref_contentHandler(IVBSAXContentHandler* handler) override { content_ = handler; }
  void putref_errorHandler(IVBSAXErrorHandler* handler) override { errors_ = handler; }
  void putref_lexicalHandler(IVBSAXLexicalHandler* handler) override { lexical_ = handler; }
  void parseURL(const std::string& path) override;
  void parse(std::string_view document) override;

  /// The size of the blocks handed to expat (64 KiB; tests feed 1 byte).
  void SetBlockSize(std::size_t bytes) { blockSize_ = bytes < 1 ? 1 : bytes; }
  /// The longest run of text (256 MiB).
  void SetMaxTextRun(std::size_t bytes) { maxTextRun_ = bytes; }
  /// The most input expat may hold for one unfinished piece of markup (256 MiB).
  void SetMaxPending(std::size_t bytes) { maxPending_ = bytes; }

  class TSession; // one parse (expat's callbacks reach it)

private:
  /// Runs one parse; `next` points at the next block and returns its size (0 at the end).
  template <typename F> void Run(F&& next);

  IVBSAXContentHandler* content_ = nullptr;
  IVBSAXErrorHandler* errors_ = nullptr;
  IVBSAXLexicalHandler* lexical_ = nullptr;
  std::size_t blockSize_ = 65536;
  std::size_t maxTextRun_ = std::size_t(256) << 20;
  std::size_t maxPending_ = std::size_t(256) << 20;
};
