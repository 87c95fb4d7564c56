#include "app/MoveForm.h"

namespace stowlark {

void DragForm(WindowPort& form) {
  form.ReleaseCapture();
  form.SendMessage(kWmNcLButtonDown, kHtCaption, 0);
}

}  // namespace stowlark
