#pragma once
// The list order: ascending by (Date, Time), with the exact tie order of the program's two
// exchange passes, so that files saved here match files saved by earlier versions byte for byte.

#include "core/reminder.h"

namespace kalvo {

void Zorad(ReminderList& list);

}  // namespace kalvo
