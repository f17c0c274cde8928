#pragma once

#include <QString>

#include "open_failure.h"
#include "text_table.h"

// Why the link did not come up and what to do about it, in the language given: the status line's
// tooltip after "Connect device error!". Empty for cause None.
QString FailureTooltip(const OpenFailure& failure, Language language);
