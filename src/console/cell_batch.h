// Holds painted cells back briefly so that a burst of paints becomes a few
// console writes; the cells that finally show are the same.
#pragma once
#include "platform/console_os.h"

/// Window width in columns as clipping uses it: asked of the console once per
/// batch, 80 when it cannot be had or is negative.
int windowWidth();

/// Queues count cells for the 0-based buffer position (x, y); the batch is
/// written out when it has been held long enough.
void queueCells(int x, int y, const ConsoleCell* cells, int count);

/// Writes every queued cell now, one console write per run of neighbours.
void flushCells();

/// Forgets queued cells (the screen is about to be cleared).
void dropCells();

/// How long cells may be held, in milliseconds (0 writes every paint at once).
extern uint32_t paintInterval;
