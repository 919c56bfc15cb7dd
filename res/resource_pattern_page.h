#pragma once
// Control ids of the pattern page's template.
