#pragma once
// Control ids of the edid page's template.
