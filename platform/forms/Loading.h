// Building windows from their stored definitions.
//
// The loading protocol: every component of the definition is created owned by
// the root (csLoading and csReading set at once), placed in its parent, and
// given its properties in the stored order; after the whole window, every
// component gets its loaded step (Loaded) in creation order, the root first;
// then a form's creation handler (OnCreate) runs.
//
//   TDefinitionLoader l(this);                 // in a form's constructor
//   auto* gis = l.Add<TViewer>("gis", this);
//   l.Set(gis, "Align", TPropValue(int(TAlign::alClient)));
//   l.SetText(gis, "Mode", "gisDrag");
//   l.Finish();
//
// ReadDefinition does the same from the text form:
//   object MapForm: TMapForm
//     Caption = 'Map'
//     object gis: TViewer
//       Align = alClient
//     end
//   end
// Values: integers, floats, 'strings' (joined with + and #nn character codes),
// identifiers (enumerations, Booleans, component references), [sets], and
// string lists "( 'line' 'line' )" given to a text property as CR LF lines
// (Lines.Strings). Collections "<...>" and binary data "{...}" are not read.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/Properties.h"

class TDefinitionLoader {
public:
  explicit TDefinitionLoader(TComponent* root);
  TDefinitionLoader(const TDefinitionLoader&) = delete;
  TDefinitionLoader& operator=(const TDefinitionLoader&) = delete;

  TComponent* Root() const { return root_; }

  template <class T> T* Add(const std::string& name, TWinControl* parent = nullptr) {
    T* c = new T(root_);
    adopt(c, name, parent);
    return c;
  }
  /// Creates a component of a registered class.
  TComponent* AddByClass(const std::string& className, const std::string& name, TComponent* parent);

  /// Sets a property of `component` ("Font.Size" paths allowed).
  void Set(TComponent* component, const std::string& property, const TPropValue& value);
  void SetText(TComponent* component, const std::string& property, const std::string& text);
  /// A reference to another component of the window, resolved at Finish;
  /// `line` (when not 0) is the stored definition's line, named by errors.
  void SetReference(TComponent* component, const std::string& property,
                    const std::string& componentName, int line = 0);

  /// Resolves the references set so far (Finish does it too).
  void ResolveReferences();
  /// Resolves references, runs every Loaded in creation order, then the
  /// form's creation handler.
  void Finish();
  /// Undoes a load that failed before Finish: frees the components it
  /// created (last first) and takes the root out of the loading state.
  void Abandon();
  const std::vector<TComponent*>& Components() const { return loaded_; }

private:
  void adopt(TComponent* c, const std::string& name, TComponent* parent);
  TComponent* root_;
  std::vector<TComponent*> loaded_;
  struct TFixup {
    TComponent* component;
    std::string property;
    std::string target;
    int line;
  };
  void resolve(const TFixup& f);
  std::vector<TFixup> fixups_;
  bool finished_ = false;
};

/// Reads a stored definition in the text form into `root` (see above).
/// Errors of the definition name the line: "Error reading definition, line
/// N: ..." (EReadError). A read that fails leaves nothing half-loaded: the
/// components it created are freed and the root is out of the loading state
/// (with its name as before; properties it had set on the root stay).
void ReadDefinition(TComponent* root, const std::string& text);
