// The remover's progress window names the item being handled.
#pragma once

void ShowProgressItem(const char* item);
