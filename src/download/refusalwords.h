#pragma once

#include "download/downloadengine.h"

namespace kuokuo {

// Why a file was not saved, in the cat's words, for the status line: "pic03.jpg は…にゃあ".
QString refusalWords(const Refusal &why);

// The cat's words while it waits `seconds` for a busy server.
QString waitingWords(const Refusal &why, int seconds);

} // namespace kuokuo
