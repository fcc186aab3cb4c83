#pragma once

// Makes the program's pictures (":/celwright/...") available; safe to call more than once.
void LoadAppResources();
