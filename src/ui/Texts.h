#pragma once
// The front-end layer's texts in the user's language, through the Qt translations of its
// English table.
#include <QString>

#include "frontend/Message.h"

namespace quillon::ui {

QString Tr(const frontend::Message& message);
QString Tr(int id);

}  // namespace quillon::ui
