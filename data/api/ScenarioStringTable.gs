// ScenarioStringTable: the texts of a scenario (activities and behaviours of
// builds before 2.9 include it without asking).

include "StringTable.gs"

class ScenarioStringTable
{
  StringTable m_table;

  public void SetTable(StringTable table) { m_table = table; }

  // The text of the key, or the key itself when the table lacks it.
  public string GetString(string key)
  {
    if (m_table)
    {
      string text = m_table.GetString(key);
      if (text != "")
        return text;
    }
    return key;
  }
};
