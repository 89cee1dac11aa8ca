// The document the browser shows: present only while a page is loaded.
#pragma once

#include <string>

namespace web {
class WebEngineHost;
}

/// The browser's current document. The browser control hands it out only
/// while the engine shows a page it loaded (its Document is none otherwise);
/// an image or a folder listing is a document too, but no HTML document.
class WebDocument {
public:
  explicit WebDocument(web::WebEngineHost& engine) : engine_(engine) {}

  /// True for an HTML document (by the document's content type).
  bool IsHtml() const;
  /// Runs the text in the page, in order with earlier scripts, without
  /// waiting. language "JavaScript" or "JScript" (any case); another language
  /// raises EOleException. Errors of the script itself go to the browser's
  /// script-error handling.
  void ExecScript(const std::string& text, const std::string& language = "JavaScript");
  std::string Url() const;
  std::string Title() const;
  web::WebEngineHost& Engine() const { return engine_; }

private:
  web::WebEngineHost& engine_;
};
