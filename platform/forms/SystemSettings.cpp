#include "platform/forms/SystemSettings.h"

#include <QApplication>

bool MenuAnimationEnabled() {
  return QApplication::isEffectEnabled(Qt::UI_AnimateMenu);
}

void SetMenuAnimationEnabled(bool enabled) {
  QApplication::setEffectEnabled(Qt::UI_AnimateMenu, enabled);
}
