#pragma once
// Control ids of the timing details page's template.
