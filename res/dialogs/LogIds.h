// Control identifiers of the Log dialog.
#pragma once
