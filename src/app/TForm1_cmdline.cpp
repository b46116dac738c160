#include "app/TForm1.h"

namespace glyphon {

void TForm1::ExamineCommandLine() {}
void TForm1::RunCommandLine() {}
void TForm1::ButtonBatchClick() {}

}  // namespace glyphon
