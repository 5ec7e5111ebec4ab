// Control identifiers of the Delete dialog.
#pragma once
