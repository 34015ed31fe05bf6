// Messages for failed camera server calls. The server's failure codes are
// consecutive numbers and map onto consecutive texts of the string table;
// a code the table does not know gets the calling page's own text.
#pragma once

#include <windows.h>

// The string id of the text for a failed call's `result`, or
// `defaultTextId` when the table has none.
UINT ServerErrorTextId(HRESULT result, UINT defaultTextId);
// Shows the text for `result` under string `titleId` as an error.
void ShowServerError(HRESULT result, UINT titleId, UINT defaultTextId);

// Saving a captured picture on the product has its own short table; any
// code outside it gives the general capture failure text.
UINT ProductSaveErrorTextId(HRESULT result);
// Shows the text for `result` under "Error Saving An Image".
void ShowProductSaveError(HRESULT result);
