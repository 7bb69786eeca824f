#pragma once

#include "download/downloadengine.h"

namespace kuokuo {

// Why a file was not saved, in the cat's words, for the status line: "pic03.jpg は…にゃあ".
QString refusalWords(const Refusal &why);

// The cat's words while it waits `seconds` for a busy server.
QString waitingWords(const Refusal &why, int seconds);

// The images that were not saved, the first by name: "保存できなかった画像が 2 こあるにゃあ：…".
QString refusedWords(const QList<Refusal> &refused);

// The cat's words at the end of a save of the images a page shows: how many were saved, or that
// there were none, or why they were not.
QString pageImagesWords(const PageImages &result);

} // namespace kuokuo
