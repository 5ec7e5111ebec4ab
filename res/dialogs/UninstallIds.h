// Control identifiers of the Uninstall dialog.
#pragma once
