// TSAXXMLReader: expat's callbacks turned into SAX2 events.
#include "platform/xml/Sax.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <cstring>
#include <vector>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

int TSAXAttributes::getIndexFromQName(std::string_view qName) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].QName == qName) return int(i);
  return -1;
}

void TSAXAttributes::addAttribute(const std::string& uri, const std::string& localName,
                                  const std::string& qName, const std::string& type,
                                  const std::string& value) {
  items_.push_back({uri, localName, qName, type, value});
}

namespace {

constexpr char NS_SEPARATOR = '\x01';

/// A name as expat gives it with triplets: "uri\1local\1prefix", "uri\1local"
/// or "local".
void SplitName(const char* name, std::string& uri, std::string& local, std::string& qName) {
  const char* a = std::strchr(name, NS_SEPARATOR);
  if (a == nullptr) {
    uri.clear();
    local = name;
    qName = name;
    return;
  }
  uri.assign(name, a);
  const char* b = std::strchr(a + 1, NS_SEPARATOR);
  if (b == nullptr) {
    local = a + 1;
    qName = local;
  } else {
    local.assign(a + 1, b);
    qName = std::string(b + 1) + ":" + local;
  }
}

/// The code page of a single-byte encoding name; 0 for none we decode.
int SingleByteCodePage(const std::string& name) {
  const std::string n = LowerCase(name);
  auto number = [](const std::string& digits) {
    Integer v = 0;
    return !digits.empty() && TryStrToInt(digits, v) ? int(v) : -1;
  };
  int cp = -1;
  if (n.rfind("windows-", 0) == 0) cp = number(n.substr(8));
  else if (n.rfind("cp", 0) == 0) cp = number(n.substr(2));
  else if (n.rfind("ibm", 0) == 0) cp = number(n.substr(3));
  else if (n.rfind("iso-8859-", 0) == 0) {
    const int part = number(n.substr(9));
    if (part >= 2 && part <= 16 && part != 12) cp = 28590 + part;
  } else if (n == "koi8-r") cp = 20866;
  else if (n == "koi8-u") cp = 21866;
  const bool singleByte = cp == 874 || (cp >= 1250 && cp <= 1258) || (cp > 28591 && cp <= 28606) ||
                          cp == 20866 || cp == 21866 || cp == 437 || cp == 850 || cp == 852 ||
                          cp == 866;
  return singleByte && IsCodePageSupported(cp) ? cp : 0;
}

/// The characters of the 256 bytes of a single-byte code page, made once
/// per code page (-1: no character).
const std::array<int, 256>& ByteTable(int cp) {
  static std::mutex lock;
  static std::map<int, std::array<int, 256>> tables;
  std::lock_guard<std::mutex> hold(lock);
  auto found = tables.find(cp);
  if (found != tables.end()) return found->second;
  std::array<int, 256>& table = tables[cp];
  std::string bytes(256, '\0');
  for (int b = 0; b < 256; ++b)
    bytes[std::size_t(b)] = char(b);
  const std::u16string all = CodePageToWide(bytes, cp);
  for (int b = 0; b < 256; ++b) {
    const std::u16string w =
        all.size() == 256 ? all.substr(std::size_t(b), 1) : CodePageToWide(bytes.substr(std::size_t(b), 1), cp);
    table[std::size_t(b)] = w.size() == 1 && (w[0] < 0xD800 || w[0] > 0xDFFF) ? int(w[0]) : -1;
  }
  return table;
}

int XMLCALL UnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  const int cp = SingleByteCodePage(name);
  if (cp == 0) return XML_STATUS_ERROR;
  const std::array<int, 256>& table = ByteTable(cp);
  for (int b = 0; b < 256; ++b)
    info->map[b] = table[std::size_t(b)];
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

} // namespace

class TSAXXMLReader::TSession : public IVBSAXLocator {
public:
  TSession(TSAXXMLReader& reader) : reader_(reader) {
    parser_ = XML_ParserCreateNS(nullptr, NS_SEPARATOR);
    if (parser_ == nullptr) throw EXmlNoParser("XML parser could not be created");
    XML_SetReturnNSTriplet(parser_, 1);
    XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &TSession::OnStart, &TSession::OnEnd);
    XML_SetCharacterDataHandler(parser_, &TSession::OnText);
    XML_SetNamespaceDeclHandler(parser_, &TSession::OnPrefixStart, &TSession::OnPrefixEnd);
    XML_SetProcessingInstructionHandler(parser_, &TSession::OnPI);
    XML_SetSkippedEntityHandler(parser_, &TSession::OnSkipped);
    XML_SetUnknownEncodingHandler(parser_, &UnknownEncoding, nullptr);
    if (reader_.lexical_ != nullptr) {
      XML_SetCommentHandler(parser_, &TSession::OnComment);
      XML_SetDoctypeDeclHandler(parser_, &TSession::OnDoctypeStart, &TSession::OnDoctypeEnd);
    }
  }
  ~TSession() override { XML_ParserFree(parser_); }
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  int lineNumber() const override { return int(XML_GetCurrentLineNumber(parser_)); }
  int columnNumber() const override { return int(XML_GetCurrentColumnNumber(parser_)) + 1; }

  /// Feeds one block (`last` ends the document).
  void Feed(const char* data, std::size_t size, bool last) {
    if (!started_) {
      started_ = true;
      if (IVBSAXContentHandler* c = reader_.content_) {
        c->putref_documentLocator(this);
        c->startDocument();
      }
    }
    const XML_Status status = XML_Parse(parser_, data, int(size), last ? 1 : 0);
    trap_.RethrowIfAny();
    if (bounded_.empty() && status != XML_STATUS_ERROR) {
      fed_ += size;
      // What expat holds for a piece of markup it has not finished yet.
      const XML_Index at = XML_GetCurrentByteIndex(parser_);
      if (at >= 0 && fed_ > std::uint64_t(at) && fed_ - std::uint64_t(at) > reader_.maxPending_)
        bounded_ = "markup too long";
    }
    if (!bounded_.empty()) Fail(bounded_, int(XML_ERROR_NO_MEMORY));
    if (status == XML_STATUS_ERROR) {
      const XML_Error code = XML_GetErrorCode(parser_);
      Fail(XML_ErrorString(code), int(code));
    }
    if (last) {
      Flush();
      trap_.RethrowIfAny();
      if (IVBSAXContentHandler* c = reader_.content_) c->endDocument();
    }
  }

private:
  [[noreturn]] void Fail(const std::string& message, int code) {
    if (reader_.errors_ != nullptr) reader_.errors_->fatalError(*this, message, code);
    throw EXmlParseError(message, lineNumber(), code);
  }

  static TSession& Of(void* data) { return *static_cast<TSession*>(data); }

  /// Runs a callback body; an exception stops the parser and waits for Feed.
  template <typename F> void Guard(F&& body) {
    if (!trap_.Guard(std::forward<F>(body))) XML_StopParser(parser_, XML_FALSE);
  }

  /// Stops the parse at one of the reader's bounds.
  void Bound(const char* what) {
    bounded_ = what;
    XML_StopParser(parser_, XML_FALSE);
  }

  /// Hands the text run gathered so far to the handler.
  void Flush() {
    if (text_.empty()) return;
    std::string run;
    run.swap(text_);
    if (IVBSAXContentHandler* c = reader_.content_) c->characters(run);
  }

  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
    TSession& s = Of(data);
    s.Guard([&] {
      s.Flush();
      s.attributes_.clear();
      std::string uri, local, qName;
      for (const XML_Char** a = atts; *a != nullptr; a += 2) {
        SplitName(a[0], uri, local, qName);
        s.attributes_.addAttribute(uri, local, qName, "CDATA", a[1]);
      }
      SplitName(name, uri, local, qName);
      if (IVBSAXContentHandler* c = s.reader_.content_)
        c->startElement(uri, local, qName, s.attributes_);
    });
  }

  static void XMLCALL OnEnd(void* data, const XML_Char* name) {
    TSession& s = Of(data);
    s.Guard([&] {
      s.Flush();
      std::string uri, local, qName;
      SplitName(name, uri, local, qName);
      if (IVBSAXContentHandler* c = s.reader_.content_) c->endElement(uri, local, qName);
    });
  }

  static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    TSession& s = Of(data);
    if (!s.bounded_.empty()) return;
    if (s.text_.size() + std::size_t(length) > s.reader_.maxTextRun_) {
      s.Bound("text too long");
      return;
    }
    s.Guard([&] { s.text_.append(text, std::size_t(length)); });
  }

  static void XMLCALL OnPrefixStart(void* data, const XML_Char* prefix, const XML_Char* uri) {
    TSession& s = Of(data);
    s.Guard([&] {
      s.Flush();
      if (IVBSAXContentHandler* c = s.reader_.content_)
        c->startPrefixMapping(prefix ? prefix : "", uri ? uri : "");
    });
  }

  static void XMLCALL OnPrefixEnd(void* data, const XML_Char* prefix) {
    TSession& s = Of(data);
    s.Guard([&] {
      s.Flush();
      if (IVBSAXContentHandler* c = s.reader_.content_) c->endPrefixMapping(prefix ? prefix : "");
    });
  }

  static void XMLCALL OnPI(void* data, const XML_Char* target, const XML_Char* text) {
    TSession& s = Of(data);
    s.Guard([&] {
      s.Flush();
      if (IVBSAXContentHandler* c = s.reader_.content_)
        c->processingInstruction(target, text ? text : "");
    });
  }

  static void XMLCALL OnSkipped(void* data, const XML_Char* name, int) {
    TSession& s = Of(data);
    s.Guard([&] {
      s.Flush();
      if (IVBSAXContentHandler* c = s.reader_.content_) c->skippedEntity(name);
    });
  }

  static void XMLCALL OnComment(void* data, const XML_Char* text) {
    TSession& s = Of(data);
    s.Guard([&] {
      s.Flush();
      s.reader_.lexical_->comment(text);
    });
  }

  static void XMLCALL OnDoctypeStart(void* data, const XML_Char* name, const XML_Char* systemId,
                                     const XML_Char* publicId, int) {
    TSession& s = Of(data);
    s.Guard([&] {
      s.Flush();
      s.reader_.lexical_->startDTD(name, publicId ? publicId : "", systemId ? systemId : "");
    });
  }

  static void XMLCALL OnDoctypeEnd(void* data) {
    TSession& s = Of(data);
    s.Guard([&] { s.reader_.lexical_->endDTD(); });
  }

  TSAXXMLReader& reader_;
  XML_Parser parser_ = nullptr;
  TExceptionTrap trap_;
  TSAXAttributes attributes_;
  std::string text_;
  std::string bounded_;
  std::uint64_t fed_ = 0;
  bool started_ = false;
};

TSAXXMLReader::TSAXXMLReader() = default;
TSAXXMLReader::~TSAXXMLReader() = default;

template <typename F> void TSAXXMLReader::Run(F&& next) {
  TSession session(*this);
  for (;;) {
    const char* block = nullptr;
    const std::size_t n = next(block);
    session.Feed(block, n, n == 0);
    if (n == 0) break;
  }
}

void TSAXXMLReader::parseURL(const std::string& path) {
  TFileStream file(path, fmOpenRead);
  std::vector<char> buffer(blockSize_);
  Run([&](const char*& block) {
    block = buffer.data();
    return std::size_t(file.Read(buffer.data(), std::int64_t(buffer.size())));
  });
}

void TSAXXMLReader::parse(std::string_view document) {
  // The document is handed over in place, a block at a time.
  std::size_t at = 0;
  Run([&](const char*& block) {
    const std::size_t n = std::min(blockSize_, document.size() - at);
    block = document.data() + at;
    at += n;
    return n;
  });
}
