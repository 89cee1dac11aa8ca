// The SAX handler kit: forwarding content handlers, the error handler and
// the document writer.
#include "gis/formats/GisSaxKit.h"

// ---- T_SAXCustomContentHandler ------------------------------------------------------------

void T_SAXCustomContentHandler::putref_documentLocator(IVBSAXLocator* locator) {
  if (OnPutDocumentLocator) OnPutDocumentLocator(*this, locator);
}
void T_SAXCustomContentHandler::startDocument() {
  if (OnStartDocument) OnStartDocument(*this);
}
void T_SAXCustomContentHandler::endDocument() {
  if (OnEndDocument) OnEndDocument(*this);
}
void T_SAXCustomContentHandler::startPrefixMapping(const std::string& prefix,
                                                   const std::string& uri) {
  if (OnStartPrefixMapping) OnStartPrefixMapping(*this, prefix, uri);
}
void T_SAXCustomContentHandler::endPrefixMapping(const std::string& prefix) {
  if (OnEndPrefixMapping) OnEndPrefixMapping(*this, prefix);
}
void T_SAXCustomContentHandler::startElement(const std::string& uri, const std::string& localName,
                                             const std::string& qName,
                                             const IVBSAXAttributes& attributes) {
  if (OnStartElement) OnStartElement(*this, uri, localName, qName, attributes);
}
void T_SAXCustomContentHandler::endElement(const std::string& uri, const std::string& localName,
                                           const std::string& qName) {
  if (OnEndElement) OnEndElement(*this, uri, localName, qName);
}
void T_SAXCustomContentHandler::characters(const std::string& text) {
  if (OnCharacters) OnCharacters(*this, text);
}
void T_SAXCustomContentHandler::ignorableWhitespace(const std::string& text) {
  if (OnIgnorableWhitespace) OnIgnorableWhitespace(*this, text);
}
void T_SAXCustomContentHandler::processingInstruction(const std::string& target,
                                                      const std::string& data) {
  if (OnProcessingInstruction) OnProcessingInstruction(*this, target, data);
}
void T_SAXCustomContentHandler::skippedEntity(const std::string& name) {
  if (OnSkippedEntity) OnSkippedEntity(*this, name);
}

// ---- T_SAXContentWriter --------------------------------------------------------------------

void T_SAXContentWriter::putref_documentLocator(IVBSAXLocator* locator) {
  if (target_) target_->putref_documentLocator(locator);
}
void T_SAXContentWriter::startDocument() {
  if (target_) target_->startDocument();
}
void T_SAXContentWriter::endDocument() {
  if (target_) target_->endDocument();
}
void T_SAXContentWriter::startPrefixMapping(const std::string& prefix, const std::string& uri) {
  if (target_) target_->startPrefixMapping(prefix, uri);
}
void T_SAXContentWriter::endPrefixMapping(const std::string& prefix) {
  if (target_) target_->endPrefixMapping(prefix);
}
void T_SAXContentWriter::startElement(const std::string& uri, const std::string& localName,
                                      const std::string& qName,
                                      const IVBSAXAttributes& attributes) {
  if (target_) target_->startElement(uri, localName, qName, attributes);
}
void T_SAXContentWriter::endElement(const std::string& uri, const std::string& localName,
                                    const std::string& qName) {
  if (target_) target_->endElement(uri, localName, qName);
}
void T_SAXContentWriter::characters(const std::string& text) {
  if (target_) target_->characters(text);
}
void T_SAXContentWriter::ignorableWhitespace(const std::string& text) {
  if (target_) target_->ignorableWhitespace(text);
}
void T_SAXContentWriter::processingInstruction(const std::string& target,
                                               const std::string& data) {
  if (target_) target_->processingInstruction(target, data);
}
void T_SAXContentWriter::skippedEntity(const std::string& name) {
  if (target_) target_->skippedEntity(name);
}

// ---- T_SAXCustomDocumentWriter -------------------------------------------------------------

T_SAXCustomDocumentWriter::T_SAXCustomDocumentWriter() = default;
T_SAXCustomDocumentWriter::~T_SAXCustomDocumentWriter() = default;

void T_SAXCustomDocumentWriter::SetOutput(TStream* stream) {
  owned_.reset();
  output_ = stream;
  callerStream_ = stream != nullptr;
  fileName_.clear();
}

std::string T_SAXCustomDocumentWriter::OutputText() const {
  if (auto* s = dynamic_cast<TStringStream*>(owned_.get())) return s->DataString() + text_;
  return text_;
}

void T_SAXCustomDocumentWriter::BeginUnit() {
  unit_ = std::make_unique<TMark>(TMark{text_.size(), elements_, depth_, lastWasEndTag_});
}

void T_SAXCustomDocumentWriter::EndUnit(bool keep) {
  if (unit_ == nullptr) return;
  if (!keep) {
    text_.resize(unit_->Text);
    elements_ = std::move(unit_->Elements);
    depth_ = unit_->Depth;
    lastWasEndTag_ = unit_->LastWasEndTag;
  }
  unit_.reset();
}

void T_SAXCustomDocumentWriter::FlushOutput() {
  if (unit_ != nullptr || output_ == nullptr || text_.empty()) return;
  output_->WriteBuffer(text_.data(), std::int64_t(text_.size()));
  text_.clear();
}

std::string T_SAXCustomDocumentWriter::Indent(int) {
  return std::string();
}

void T_SAXCustomDocumentWriter::Write(const std::string& text) {
  // Text is UTF-8 already: it goes out unchanged.
  text_ += text;
}

void T_SAXCustomDocumentWriter::CloseStartTag() {
  if (!elements_.empty() && elements_.back().second == 1) {
    Write(">");
    elements_.back().second = 2;
  }
}

void T_SAXCustomDocumentWriter::OpenSubset() {
  if (!dtdOpen_ && !subsetOpen_) {
    Write("<!DOCTYPE [");
    subsetOpen_ = true;
    ++declDepth_;
  }
}

void T_SAXCustomDocumentWriter::CloseSubset() {
  if (subsetOpen_) {
    Write("]>");
    subsetOpen_ = false;
    --declDepth_;
  }
}

std::string T_SAXCustomDocumentWriter::ExternalId(const std::string& publicId,
                                                  const std::string& systemId) {
  if (publicId.empty()) return "SYSTEM \"" + systemId + "\"";
  std::string id = "PUBLIC \"" + publicId + "\"";
  if (!systemId.empty()) id += " \"" + systemId + "\"";
  return id;
}

void T_SAXCustomDocumentWriter::putref_documentLocator(IVBSAXLocator*) {}

void T_SAXCustomDocumentWriter::startDocument() {
  if (suppressed_) return;
  owned_.reset();
  if (!callerStream_) {
    if (!fileName_.empty())
      owned_ = std::make_unique<TFileStream>(fileName_, fmCreate);
    else
      owned_ = std::make_unique<TStringStream>();
    output_ = owned_.get();
  }
  output_->SetSize(0);
  text_.clear();
  unit_.reset();
  depth_ = declDepth_ = 0;
  elements_.clear();
  somethingWritten_ = lastWasEndTag_ = dtdOpen_ = subsetOpen_ = false;
  pendingNamespaces_.clear();
  if (WriteDeclaration)
    Write("<?xml version=\"" + Version + "\" encoding=\"" + Encoding + "\" standalone=\"" +
          (Standalone == 1 ? "yes" : "no") + "\"?>");
}

void T_SAXCustomDocumentWriter::endDocument() {
  if (suppressed_) return;
  unit_.reset();
  FlushOutput();
  if (!callerStream_ && dynamic_cast<TStringStream*>(owned_.get()) == nullptr) {
    owned_.reset();
    output_ = nullptr;
  }
}

void T_SAXCustomDocumentWriter::startPrefixMapping(const std::string& prefix,
                                                   const std::string& uri) {
  pendingNamespaces_ += " xmlns:" + prefix + "=\"" + uri + "\"";
}

void T_SAXCustomDocumentWriter::endPrefixMapping(const std::string&) {}

void T_SAXCustomDocumentWriter::startElement(const std::string&, const std::string&,
                                             const std::string& qName,
                                             const IVBSAXAttributes& attributes) {
  if (suppressed_) return;
  somethingWritten_ = true;
  CloseSubset();
  CloseStartTag();
  std::string tag = Indent(depth_) + "<" + qName + pendingNamespaces_;
  for (int i = 0; i < attributes.length(); ++i)
    tag += " " + attributes.getQName(i) + "=\"" + attributes.getValue(i) + "\"";
  Write(tag);
  ++depth_;
  lastWasEndTag_ = false;
  pendingNamespaces_.clear();
  elements_.emplace_back(qName, 1);
}

void T_SAXCustomDocumentWriter::endElement(const std::string&, const std::string&,
                                           const std::string& qName) {
  if (suppressed_) return;
  somethingWritten_ = true;
  if (!elements_.empty() && elements_.back().second == 1) {
    Write(CollapseEmpty ? "/>" : "></" + qName + ">");
  } else {
    Write((lastWasEndTag_ ? Indent(depth_) : std::string()) + "</" + qName + ">");
  }
  --depth_;
  lastWasEndTag_ = true;
  if (!elements_.empty()) elements_.pop_back();
}

void T_SAXCustomDocumentWriter::characters(const std::string& text) {
  if (suppressed_) return;
  somethingWritten_ = true;
  CloseStartTag();
  Write(text);
}

void T_SAXCustomDocumentWriter::ignorableWhitespace(const std::string& text) {
  if (LineBreak == 0) characters(text);
}

void T_SAXCustomDocumentWriter::processingInstruction(const std::string& target,
                                                      const std::string& data) {
  if (suppressed_) return;
  CloseStartTag();
  Write("<?" + target + " " + data + "?>");
}

void T_SAXCustomDocumentWriter::skippedEntity(const std::string& name) {
  // A reference is content: the open start tag is closed first.
  CloseStartTag();
  Write("&" + name + ";");
}

void T_SAXCustomDocumentWriter::startDTD(const std::string& name, const std::string& publicId,
                                         const std::string& systemId) {
  dtdOpen_ = true;
  Write("<!DOCTYPE " + name + " " + ExternalId(publicId, systemId) + "[");
  ++declDepth_;
}

void T_SAXCustomDocumentWriter::endDTD() {
  Write("]>");
  dtdOpen_ = false;
  --declDepth_;
}

void T_SAXCustomDocumentWriter::attributeDecl(const std::string& elementName,
                                              const std::string& attributeName,
                                              const std::string& type,
                                              const std::string& valueDefault,
                                              const std::string& value) {
  if (suppressed_) return;
  OpenSubset();
  Write("<!ATTLIST " + elementName + " " + attributeName + " (" + type + ") " + valueDefault + " " +
        value + ">");
}

void T_SAXCustomDocumentWriter::elementDecl(const std::string& name, const std::string& model) {
  if (suppressed_) return;
  OpenSubset();
  Write(Indent(declDepth_) + "<!ELEMENT " + name + " " + model + ">");
}

void T_SAXCustomDocumentWriter::internalEntityDecl(const std::string& name,
                                                   const std::string& value) {
  if (suppressed_) return;
  OpenSubset();
  Write("<!ENTITY " + name + " " + value + ">");
}

void T_SAXCustomDocumentWriter::externalEntityDecl(const std::string& name,
                                                   const std::string& publicId,
                                                   const std::string& systemId) {
  if (suppressed_) return;
  OpenSubset();
  Write("<!ENTITY " + name + " " + ExternalId(publicId, systemId) + ">");
}

void T_SAXCustomDocumentWriter::notationDecl(const std::string& name, const std::string& publicId,
                                             const std::string& systemId) {
  if (suppressed_) return;
  OpenSubset();
  Write("<!NOTATION " + name + " " + ExternalId(publicId, systemId) + ">");
}

void T_SAXCustomDocumentWriter::unparsedEntityDecl(const std::string& name,
                                                   const std::string& publicId,
                                                   const std::string& systemId,
                                                   const std::string& notation) {
  if (suppressed_) return;
  OpenSubset();
  Write("<!ENTITY " + name + " " + ExternalId(publicId, systemId) + " NDATA " + notation + ">");
}

void T_SAXCustomDocumentWriter::comment(const std::string& text) {
  if (suppressed_) return;
  CloseStartTag();
  Write("<!--" + text + "-->");
}

void T_SAXCustomDocumentWriter::startCDATA() {
  if (suppressed_) return;
  CloseStartTag();
  Write("<![CDATA[");
}

void T_SAXCustomDocumentWriter::endCDATA() {
  if (suppressed_) return;
  Write("]]>");
}

void T_SAXCustomDocumentWriter::startEntity(const std::string& name) {
  if (!ExpandEntities) {
    CloseStartTag();
    Write("&" + name + ";");
  }
  suppressed_ = !ExpandEntities;
  somethingWritten_ = false;
}

void T_SAXCustomDocumentWriter::endEntity(const std::string& name) {
  suppressed_ = false;
  if (ExpandEntities && !somethingWritten_) {
    CloseStartTag();
    Write("&" + name + ";");
  }
}

// ---- T_MySaxErrorHandler -------------------------------------------------------------------

namespace {

std::string WithoutLineEnd(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

} // namespace

void T_MySaxErrorHandler::error(const IVBSAXLocator& locator, const std::string& message, int) {
  LastError = WithoutLineEnd(message);
  LastLine = locator.lineNumber();
}

void T_MySaxErrorHandler::fatalError(const IVBSAXLocator& locator, const std::string& message,
                                     int code) {
  error(locator, message, code);
}
