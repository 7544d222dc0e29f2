// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace trevak {

/// The edit pane's redraw-suppression flag: while it is raised, the edit pane's change handler
/// draws nothing. A save raises it for its whole length through a Guard, so it comes down again
/// however the save ends.
class RedrawSuppression {
 public:
  /// Raises the flag for the guard's lifetime.
  class Guard {
   public:
    explicit Guard(RedrawSuppression& flag) : m_flag(flag) { m_flag.m_raised = true; }
    ~Guard() { m_flag.m_raised = false; }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

   private:
    RedrawSuppression& m_flag;
  };

  bool raised() const { return m_raised; }

 private:
  bool m_raised = false;
};

}  // namespace trevak
