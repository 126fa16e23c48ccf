#pragma once

#include <functional>

class QWidget;

namespace ktv {

class TDataModule1;
class TFormEmptyTable;
struct Platform;

// Clearing the venue database: after the administrator password and a warning, the maintenance window,
// then the closing message. A wrong password, Cancel or No ends it silently with nothing changed.
// Tests drive the modal window through whileOpen, called once it is created and before it is shown.
void zapData(TDataModule1 &data, const Platform &platform, QWidget *parent,
             const std::function<void(TFormEmptyTable &)> &whileOpen = {});

} // namespace ktv
