// Which directories the remover may take, and where it notes them.
#pragma once

// Reads the Program Files and Common Files directories (never removed). When the
// registry cannot be read to say, no directory is removed in this run.
void ReadProtectedDirectories();
