#include "browser/WebDocument.h"

#include "platform/rtl/Exceptions.h"
#include "platform/web/WebEngineHost.h"

#include <algorithm>
#include <cctype>

bool WebDocument::IsHtml() const {
  return engine_.HasHtmlDocument();
}

void WebDocument::ExecScript(const std::string& text, const std::string& language) {
  std::string lang = language;
  std::transform(lang.begin(), lang.end(), lang.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (lang != "javascript" && lang != "jscript")
    throw EOleException("Script language not supported: " + language);
  engine_.RunScript(text);
}

std::string WebDocument::Url() const {
  return engine_.Url();
}
std::string WebDocument::Title() const {
  return engine_.Title();
}
