#pragma once

// Whether a document is well formed after any sequence of messages: an image whose row table
// matches its buffer, a history whose links agree in both directions and whose steps hold
// images of the sizes their regions say, a current step inside the history, the history under
// its byte budget and the modified flag set while a step is applied. A failed check prints
// what broke and aborts, which the fuzzer reports as a finding.

#include "document/vantoria_doc.h"

namespace vantoria::fuzz {

void CheckDocument(const CVantoriaDoc& document);

// Undoes every step, then redoes as many as were applied: the image must come back exactly.
// Leaves the document at the position it had.
void CheckUndoRedoRoundTrip(CVantoriaDoc& document);

}  // namespace vantoria::fuzz
