#pragma once

// What screen readers find in the kit's widgets: a form is a window or a
// dialog (TForm::accessibleRole), not a filler; a grid lists, beside its
// cells, the area that holds an open cell editor, so the editor is reached
// from the window down. Installed once, by the first form or grid made.
void installKitAccessibility();
