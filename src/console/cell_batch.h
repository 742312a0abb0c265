// Holds painted cells back briefly so that a burst of paints becomes a few
// console writes; the cells that finally show are the same.
#pragma once
#include "platform/console_os.h"

/// Window width in columns as clipping uses it: asked of the console once per
/// batch, 80 when it cannot be had or is negative.
int windowWidth();

/// True where text is painted (and printed) as characters, laid out by
/// display width: the console's code page is not the ANSI one, or is UTF-8
/// (which the console cannot take a byte at a time). False where the ANSI bytes are painted as
/// they are, or there is no console. Asked of the console once per batch.
bool paintsCharacters();

/// Queues count cells for the 0-based buffer position (x, y); the batch is
/// written out when it has been held long enough. characters: as osPaintCells.
void queueCells(int x, int y, const ConsoleCell* cells, int count, bool characters);

/// Writes every queued cell now, one console write per run of neighbours.
void flushCells();

/// Between the two, queued cells are never written out: what is painted
/// together shows together. The release writes them out when due.
void holdCells();
void releaseCells();

/// Forgets queued cells (the screen is about to be cleared).
void dropCells();

/// How long cells may be held, in milliseconds (0 writes every paint at once).
extern uint32_t paintInterval;
